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

struct FinalValue {
    const char* value;
    int code;
};
constexpr FinalValue kFinalValues[] = {
    {"FINISHED", CALL_FINISHED},         {"FAILED", CALL_FAILED},       {"MISSED", CALL_MISSED},
    {"REFUSED", CALL_REFUSED},           {"CANCELLED", CALL_CANCELLED}, {"BUSY", CALL_BUSY},
    {"VM_CANCELLED", CALL_VM_CANCELLED}, {"VM_SENT", CALL_VM_SENT}};

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
    } else if (value == "VM_PLAYING_GREETING") {
        OnVoicemail(call, CALL_VM_PLAYING_GREETING);
    } else if (value == "VM_RECORDING") {
        OnVoicemail(call, CALL_VM_RECORDING);
    } else if (value == "VM_REDIRECT") {
        OnVoicemail(call, CALL_VM_REDIRECT);
    } else {
        for (const auto& final : kFinalValues) {
            if (value == final.value) {
                OnFinal(call, final.code);
                break;
            }
        }
    }
    return false;
}

// An outgoing call is being set up. A call the history knows already is an
// old call's late report. One placed while another call goes on becomes the
// second call; the program follows two calls, so a third is turned down.
void CCallStateMachine::OnRouting(const Call& call) {
    if (!call.Other() || (call.noCall ? call.Known() : call.Over())) return;
    if (call.noCall) {
        call.store.SetCurrentCallId(call.id);
        call.store.SetCurrentCallStatus(CALL_ROUTING);
        Send(HS_CALL_ROUTING);
        Pause(20);
        StopHandsetTransfer();
        AskCallerName(call.id);
    } else if (call.secondStatus == CALL_NONE) {
        call.store.SetSecondCallId(call.id);
        call.store.SetSecondCallStatus(CALL_ROUTING);
    } else {
        RefuseCall(call.id);
    }
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
    } else if (call.second) {
        // The outgoing second call reaches the other end.
        if (call.secondStatus == CALL_ROUTING) call.store.SetSecondCallStatus(CALL_RINGING_OUT);
    } else if (!call.Over()) {
        RefuseCall(call.id);
        return true;
    }
    return false;
}

// Only one call rings at a time: a further one is turned down at once,
// straight to Skype rather than behind the queued commands.
void CCallStateMachine::RefuseCall(int callId) {
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
    } else if (call.second) {
        // Repeated reports of a ringing second call change nothing.
        if (call.secondStatus == CALL_ROUTING) call.store.SetSecondCallStatus(CALL_EARLYMEDIA);
    } else if (call.Over()) {
        return;
    } else if (call.secondStatus == CALL_NONE) {
        call.store.SetSecondCallId(call.id);
        call.store.SetSecondCallStatus(CALL_EARLYMEDIA);
        StopHandsetTransfer();
        Send(HS_CALL_ALERT);
        AskCallerName(call.id);
    } else {
        RefuseCall(call.id);
    }
}

// The second call is answered from wherever it rang or waited; the handset
// then shows a call in progress and stops ringing.
void CCallStateMachine::OnInProgress(const Call& call) {
    if (call.current) {
        if (!IsOneOf(call.status, {CALL_RINGING_IN, CALL_EARLYMEDIA, CALL_RINGING_OUT, CALL_ROUTING,
                                   CALL_LOCALHOLD})) {
            return;
        }
        call.store.SetCurrentCallStatus(CALL_INPROGRESS);
    } else if (call.second) {
        if (!IsOneOf(call.secondStatus, {CALL_RINGING_IN, CALL_EARLYMEDIA, CALL_RINGING_OUT,
                                         CALL_ROUTING, CALL_LOCALHOLD})) {
            return;
        }
        call.store.SetSecondCallStatus(CALL_INPROGRESS);
    } else {
        return;
    }
    StopHandsetTransfer();
    StopSounds();
    Send(HS_CALL_ACTIVE);
}

// A call put on hold while another waits: the waiting call rings on the
// handset until it is answered, ends, or the held call is resumed.
void CCallStateMachine::OnLocalHold(const Call& call) {
    if (call.current) {
        if (IsOneOf(call.status,
                    {CALL_INPROGRESS, CALL_EARLYMEDIA, CALL_ROUTING, CALL_LOCALHOLD})) {
            call.store.SetCurrentCallStatus(CALL_LOCALHOLD);
            if (call.status != CALL_LOCALHOLD &&
                IsOneOf(call.secondStatus, {CALL_RINGING_IN, CALL_EARLYMEDIA})) {
                StopHandsetTransfer();
                Send(HS_CALL_ALERT);
            }
        }
    } else if (call.second && IsOneOf(call.secondStatus, {CALL_INPROGRESS, CALL_EARLYMEDIA})) {
        call.store.SetSecondCallStatus(CALL_LOCALHOLD);
    }
}

// VM_PLAYING_GREETING, VM_RECORDING, VM_REDIRECT.
void CCallStateMachine::OnVoicemail(const Call& call, int code) {
    if (call.current) {
        if (!IsFinal(call.status)) call.store.SetCurrentCallStatus(code);
    } else if (call.second) {
        if (!IsFinal(call.secondStatus)) call.store.SetSecondCallStatus(code);
    } else {
        call.store.SetCallStatus(call.id, code);
    }
}

// A final status ends the call it names from whatever it was doing: the
// handset shows what remains, Skype is asked for the details (the TIMESTAMP
// reply, last, archives the call) and the next call rings. A repeated final
// status changes nothing.
void CCallStateMachine::OnFinal(const Call& call, int code) {
    if (call.current) {
        if (!IsFinal(call.status)) EndCurrentCall(call, code);
    } else if (call.second) {
        if (!IsFinal(call.secondStatus)) EndSecondCall(call, code);
    } else {
        call.store.SetCallStatus(call.id, code);
    }
}

void CCallStateMachine::EndCurrentCall(const Call& call, int code) {
    const int s = call.status;
    call.store.SetCurrentCallStatus(code);
    const bool unanswered =
        IsOneOf(s, {CALL_RINGING_IN, CALL_RINGING_OUT, CALL_ROUTING, CALL_EARLYMEDIA});
    // Skype's error window: a failed call while it is open tells the handset.
    if (code == CALL_FAILED && unanswered &&
        m_desktop.FindTopLevelWindow(kestrava::SkypeWindows::kErrorClass, nullptr) != 0) {
        StopHandsetTransfer();
        Send(HS_CALL_FAILED);
        StopSounds();
    }
    if (IsEnded(code) && (s == CALL_ROUTING || s == CALL_EARLYMEDIA)) {
        StopSounds();
        Queue(KEY_SKYPE_HOOK_ON, 0);
    }
    EndOnHandset(call.secondStatus);
    if (code == CALL_FINISHED && IsOneOf(s, {CALL_INPROGRESS, CALL_EARLYMEDIA})) {
        // Another order than AskCallDetails; TIMESTAMP is last in both.
        for (unsigned key : {KEY_SKYPE_GET_CALL_PARTNER_DISPNAME, KEY_SKYPE_GET_CALL_PARTNER_HANDLE,
                             KEY_SKYPE_GET_CALL_SEEN, KEY_SKYPE_GET_CALL_TYPE,
                             KEY_SKYPE_GET_CALL_DURATION, KEY_SKYPE_GET_CALL_TIMESTAMP}) {
            Queue(key, call.id);
        }
    } else {
        AskCallDetails(call.id);
    }
}

// The second call ends: the handset goes on showing the current call.
void CCallStateMachine::EndSecondCall(const Call& call, int code) {
    call.store.SetSecondCallStatus(code);
    EndOnHandset(call.noCall ? CALL_NONE : call.status);
    AskCallDetails(call.id);
}

}  // namespace kestrava
