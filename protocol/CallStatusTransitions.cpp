// The STATUS values of a "CALL" line: how each moves the current call, the
// second call or a history record, and what the handset is told.
#include <cstdio>

#include "handset/CDeviceLibrary.h"
#include "handset/HandsetCommands.h"
#include "handset/SkypeWindows.h"
#include "platform/Desktop.h"
#include "protocol/CallStateMachine.h"
#include "protocol/CallStatus.h"
#include "protocol/CommandKeys.h"
#include "protocol/SkypeLink.h"
#include "session/CSessionStore.h"

namespace kestrava {

namespace {

constexpr int kAlertPauseMs = 1000;  // the handset rings before anything else reaches it

struct EndedValue {
    const char* value;
    int code;
};
constexpr EndedValue kEndedValues[] = {{"FAILED", CALL_FAILED},
                                       {"MISSED", CALL_MISSED},
                                       {"REFUSED", CALL_REFUSED},
                                       {"CANCELLED", CALL_CANCELLED},
                                       {"BUSY", CALL_BUSY}};

}  // namespace

bool CCallStateMachine::HandleStatus(const Call& call, const std::string& value) {
    if (value == "ROUTING") {
        OnRouting(call);
    } else if (value == "RINGING") {
        return OnRinging(call);
    } else if (value == "EARLYMEDIA") {
        OnEarlyMedia(call);
    } else if (value == "INPROGRESS") {
        OnInProgress(call);
    } else if (value == "LOCALHOLD") {
        OnLocalHold(call);
    } else if (value == "FINISHED") {
        OnFinished(call);
    } else if (value == "VM_PLAYING_GREETING") {
        OnVoicemail(call, CALL_VM_PLAYING_GREETING);
    } else if (value == "VM_RECORDING") {
        OnVoicemail(call, CALL_VM_RECORDING);
    } else if (value == "VM_REDIRECT") {
        OnVoicemail(call, CALL_VM_REDIRECT);
    } else if (value == "VM_CANCELLED") {
        OnVoicemailEnded(call, CALL_VM_CANCELLED);
    } else if (value == "VM_SENT") {
        OnVoicemailEnded(call, CALL_VM_SENT);
    } else {
        for (const auto& ended : kEndedValues) {
            if (value == ended.value) {
                OnEnded(call, ended.code, ended.code == CALL_FAILED);
                break;
            }
        }
    }
    return false;
}

// An outgoing call is being set up. A call the history knows already is an
// old call's late report.
void CCallStateMachine::OnRouting(const Call& call) {
    if (call.store.HasCall(call.id) == S_OK) return;
    call.store.SetCurrentCallId(call.id);
    call.store.SetCurrentCallStatus(CALL_ROUTING);
    Send(HS_CALL_ROUTING);
    Pause(20);
    StopHandsetTransfer();
    AskCallerName(call.id);
}

bool CCallStateMachine::OnRinging(const Call& call) {
    if (call.noCall) {
        call.store.SetCurrentCallId(call.id);
        call.store.SetCurrentCallStatus(CALL_RINGING_IN);
        call.store.SetCurrentCallType(CALL_TYPE_INCOMING_P2P);
        // A transfer still running (the idle screen, the missed calls) is
        // stopped before the ring: the handset takes a command that arrives
        // where a transfer's next character is due for that character, and
        // the ring would be lost. The worker stops after the character in
        // progress, so the wait is a few milliseconds.
        StopHandsetTransfer();
        Send(HS_END_TRANSFER);
        Send(HS_CALL_ALERT);
        Pause(kAlertPauseMs);
        AskCallerName(call.id);
    } else if (call.current) {
        if (call.status != CALL_ROUTING) return false;
        call.store.SetCurrentCallStatus(CALL_RINGING_OUT);
        call.store.SetCurrentCallType(CALL_TYPE_OUTGOING_P2P);
        StopHandsetTransfer();
        AskCallerName(call.id);
    } else {
        RefuseRinging(call.id);
        return true;
    }
    return false;
}

// Only one call rings at a time: a further one is turned down at once,
// straight to Skype rather than behind the queued commands.
void CCallStateMachine::RefuseRinging(int callId) {
    char text[64];
    std::snprintf(text, sizeof(text), "SET CALL %5d STATUS FINISHED", callId);
    m_link.SendStraight(text);
}

void CCallStateMachine::OnEarlyMedia(const Call& call) {
    if (call.noCall) {
        call.store.SetCurrentCallId(call.id);
        call.store.SetCurrentCallStatus(CALL_EARLYMEDIA);
        call.store.SetCurrentCallType(CALL_TYPE_INCOMING_PSTN);
        StopHandsetTransfer();
        Send(HS_CALL_ALERT);
        Pause(kAlertPauseMs);
        AskCallerName(call.id);
    } else if (call.current) {
        if (call.status != CALL_ROUTING) return;
        call.store.SetCurrentCallStatus(CALL_EARLYMEDIA);
        StopHandsetTransfer();
        AskCallerName(call.id);
    } else {
        call.store.SetSecondCallId(call.id);
        call.store.SetSecondCallStatus(CALL_EARLYMEDIA);
        StopHandsetTransfer();
        Send(HS_CALL_ALERT);
        AskCallerName(call.id);
    }
}

// FAILED, MISSED, REFUSED, CANCELLED, BUSY.
void CCallStateMachine::OnEnded(const Call& call, int code, bool failed) {
    if (call.current) {
        const int s = call.status;
        if (IsOneOf(s, {CALL_RINGING_IN, CALL_RINGING_OUT, CALL_ROUTING, CALL_EARLYMEDIA})) {
            call.store.SetCurrentCallStatus(code);
            // Skype's error window: a failed call while it is open tells the handset.
            if (failed &&
                m_desktop.FindTopLevelWindow(kestrava::SkypeWindows::kErrorClass, nullptr) != 0) {
                StopHandsetTransfer();
                Send(HS_CALL_FAILED);
                StopSounds();
            }
            if (s == CALL_ROUTING || s == CALL_EARLYMEDIA) {
                StopSounds();
                Queue(KEY_SKYPE_HOOK_ON, 0);
            }
        }
        EndOnHandset();
        AskCallDetails(call.id);
    } else if (call.second) {
        call.store.SetSecondCallStatus(code);
        StopHandsetTransfer();
        Send(HS_CALL_IDLE);
        StopSounds();
        Pause(20);
        AskCallDetails(call.id);
    } else {
        call.store.SetCallStatus(call.id, code);
    }
}

void CCallStateMachine::OnInProgress(const Call& call) {
    if (call.current) {
        if (!IsOneOf(call.status, {CALL_RINGING_IN, CALL_EARLYMEDIA, CALL_RINGING_OUT, CALL_ROUTING,
                                   CALL_LOCALHOLD})) {
            return;
        }
        call.store.SetCurrentCallStatus(CALL_INPROGRESS);
    } else if (SecondCallStatus(call.store) == CALL_RINGING_IN) {
        call.store.SetSecondCallStatus(CALL_INPROGRESS);
    } else {
        return;
    }
    StopHandsetTransfer();
    StopSounds();
    Send(HS_CALL_ACTIVE);
}

void CCallStateMachine::OnLocalHold(const Call& call) {
    if (call.current) {
        if (IsOneOf(call.status,
                    {CALL_INPROGRESS, CALL_EARLYMEDIA, CALL_ROUTING, CALL_LOCALHOLD})) {
            call.store.SetCurrentCallStatus(CALL_LOCALHOLD);
        }
    } else if (IsOneOf(SecondCallStatus(call.store), {CALL_INPROGRESS, CALL_EARLYMEDIA})) {
        call.store.SetSecondCallStatus(CALL_LOCALHOLD);
    }
}

// A ringing call that ends is reported as MISSED, REFUSED or CANCELLED, so
// FINISHED only ends a call that was answered (or still being set up).
void CCallStateMachine::OnFinished(const Call& call) {
    CSessionStore& store = call.store;
    if (call.current) {
        if (IsOneOf(call.status, {CALL_INPROGRESS, CALL_EARLYMEDIA})) {
            const int s2 = SecondCallStatus(store);
            store.SetCurrentCallStatus(CALL_FINISHED);
            EndOnHandset();
            if (IsOneOf(s2, {CALL_RINGING_IN, CALL_ROUTING, CALL_RINGING_OUT})) {
                // A second call waits: ring for it.
                Send(HS_CALL_ALERT);
                Pause(kAlertPauseMs);
                Pause(10);
            }
            // Another order than AskCallDetails; TIMESTAMP is last in both.
            for (unsigned key :
                 {KEY_SKYPE_GET_CALL_PARTNER_DISPNAME, KEY_SKYPE_GET_CALL_PARTNER_HANDLE,
                  KEY_SKYPE_GET_CALL_SEEN, KEY_SKYPE_GET_CALL_TYPE, KEY_SKYPE_GET_CALL_DURATION,
                  KEY_SKYPE_GET_CALL_TIMESTAMP}) {
                Queue(key, call.id);
            }
        } else if (call.status == CALL_ROUTING) {
            store.SetCurrentCallStatus(CALL_FINISHED);
            EndOnHandset();
            AskCallDetails(call.id);
        }
    } else if (call.noCall) {
        store.SetCallStatus(call.id, CALL_FINISHED);
    } else if (IsOneOf(SecondCallStatus(store), {CALL_INPROGRESS, CALL_EARLYMEDIA})) {
        store.SetSecondCallStatus(CALL_FINISHED);
        AskCallDetails(call.id);
    }
}

// VM_PLAYING_GREETING, VM_RECORDING, VM_REDIRECT.
void CCallStateMachine::OnVoicemail(const Call& call, int code) {
    if (call.current) {
        call.store.SetCurrentCallStatus(code);
    } else if (call.noCall) {
        call.store.SetCallStatus(call.id, code);
    } else {
        call.store.SetSecondCallStatus(code);
    }
}

// VM_CANCELLED, VM_SENT: the voicemail is over, and so is the call.
void CCallStateMachine::OnVoicemailEnded(const Call& call, int code) {
    if (call.noCall) {
        call.store.SetCallStatus(call.id, code);
        return;
    }
    if (call.current) {
        call.store.SetCurrentCallStatus(code);
    } else {
        call.store.SetSecondCallStatus(code);
    }
    EndOnHandset();
    AskCallDetails(call.id);
}

}  // namespace kestrava
