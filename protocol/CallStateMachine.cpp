#include "protocol/CallStateMachine.h"

#include <cstring>
#include <limits>

#include "CLcdRenderer.h"
#include "handset/CDeviceLibrary.h"
#include "handset/HandsetCommands.h"
#include "handset/TransferControl.h"
#include "platform/Desktop.h"
#include "platform/Pause.h"
#include "platform/Shell.h"
#include "protocol/CallStatus.h"
#include "protocol/CallerDetails.h"
#include "protocol/CommandKeys.h"
#include "protocol/SkypeLink.h"
#include "session/CSessionStore.h"

namespace kestrava {

namespace {

constexpr auto kTransferSettle = std::chrono::milliseconds(20);

bool IsEnded(int status) {
    return IsOneOf(status, {CALL_MISSED, CALL_FAILED, CALL_REFUSED, CALL_BUSY, CALL_CANCELLED});
}

bool IsFinished(int status) {
    return IsOneOf(status, {CALL_FINISHED, CALL_VM_SENT, CALL_VM_CANCELLED});
}

// The caller is shown while the call rings, here or at the other end.
bool IsAlerting(int status) {
    return IsOneOf(status, {CALL_RINGING_IN, CALL_RINGING_OUT, CALL_EARLYMEDIA});
}

int TypeCode(const std::string& value) {
    if (value == "INCOMING_P2P") return CALL_TYPE_INCOMING_P2P;
    if (value == "OUTGOING_P2P") return CALL_TYPE_OUTGOING_P2P;
    if (value == "INCOMING_PSTN") return CALL_TYPE_INCOMING_PSTN;
    if (value == "OUTGOING_PSTN") return CALL_TYPE_OUTGOING_PSTN;
    return CALL_TYPE_UNKNOWN;
}

int Length(const std::string& text) {
    return static_cast<int>(text.size());
}

}  // namespace

CCallStateMachine::CCallStateMachine(SkypeLink& link, CDeviceLibrary& device, Shell& shell,
                                     Desktop& desktop, HistoryLineHandler& history)
    : m_link(link), m_device(device), m_shell(shell), m_desktop(desktop), m_history(history) {}

void CCallStateMachine::SetSessionStore(CSessionStore* store) {
    std::lock_guard lock(m_cs);
    m_store = store;
}

void CCallStateMachine::SetCallerDetails(CallerDetails* caller) {
    std::lock_guard lock(m_cs);
    m_caller = caller;
}

bool CCallStateMachine::HandleCallLine(const NotificationLine& line) {
    std::lock_guard lock(m_cs);
    CSessionStore* store = m_store.load();
    if (store == nullptr) return false;

    // Skype's call ids are positive. An id that does not parse reads as 0,
    // which is also the current call id of "no call": such a line would
    // create or end calls out of nothing. A negative id or one beyond the
    // range of int (which would be held at its limit and so name another
    // call) is no call of Skype's either.
    const std::int64_t wide = ParseInt64(line.words.second);
    if (wide <= 0 || wide > std::numeric_limits<int>::max()) return false;
    const int id = static_cast<int>(wide);

    const int currentId = line.currentCallId;
    bool current = currentId != 0 && id == currentId;
    bool second = !current && id == SecondCallId(*store);
    Call call{line,
              *store,
              id,
              line.currentCallStatus,
              current,
              second,
              currentId == 0,
              currentId != 0 && !current};

    const std::string& property = line.words.third;
    if (property == "STATUS") return HandleStatus(call, line.words.fourth);
    HandleProperty(call, property);
    return false;
}

void CCallStateMachine::HandleProperty(const Call& call, const std::string& property) {
    if (property == "SEEN") {
        OnSeen(call);
    } else if (property == "PARTNER_HANDLE") {
        OnPartnerHandle(call);
    } else if (property == "PARTNER_DISPNAME") {
        OnPartnerName(call);
    } else if (property == "TYPE") {
        OnType(call);
    } else if (property == "DURATION") {
        OnDuration(call);
    } else if (property == "TIMESTAMP") {
        OnTimestamp(call);
    }
}

// ---------------------------------------------------------------------------
// Properties

void CCallStateMachine::OnSeen(const Call& call) {
    int seen = call.line.words.fourth == "TRUE" ? 1 : 0;
    if (call.current) {
        call.store.SetCurrentCallSeen(seen);
    } else if (call.second) {
        call.store.SetSecondCallSeen(seen);
    } else {
        call.store.SetCallSeen(call.id, seen);
        m_history.HistoryCallSeen(call.id, seen);
    }
}

void CCallStateMachine::OnPartnerHandle(const Call& call) {
    const std::string& handle = call.line.words.fourth;
    if (call.current) {
        call.store.SetCurrentCallPartnerHandle(handle.c_str(), Length(handle));
        if (CallerDetails* caller = m_caller.load()) caller->SetCallerHandle(handle.c_str());
        if (!IsAlerting(call.status)) return;
        if (m_link.DisplayEnabled()) {
            StopHandsetTransfer();
            if (CLcdRenderer* renderer = m_device.Renderer()) renderer->RenderText(handle.c_str());
            // The pending bit goes up before the announcement: a handset that
            // answers at once finds it set, and its transfer reply is served
            // instead of being taken for a stray one.
            m_device.m_nDisplayContent |= display::kCharacterMode;
            Send(HS_TEXT_RAW);
        } else {
            m_device.m_nDisplayContent |= display::kCharacterMode;
        }
    } else if (call.second) {
        call.store.SetSecondCallPartnerHandle(handle.c_str(), Length(handle));
    } else {
        call.store.SetCallPartnerHandle(call.id, handle.c_str(), Length(handle));
    }
}

void CCallStateMachine::OnPartnerName(const Call& call) {
    // The name is every word from the fourth on, each followed by one blank.
    std::string name = JoinWordsFrom(call.line.text, 3, kMaxNameLength);
    if (call.current) {
        call.store.SetCurrentCallPartnerName(name.c_str(), Length(name));
        if (CallerDetails* caller = m_caller.load()) caller->SetCallerName(name.c_str());
        if (IsAlerting(call.status) && m_link.DisplayEnabled()) {
            StopHandsetTransfer();
            if (CLcdRenderer* renderer = m_device.Renderer()) renderer->RenderText(name.c_str());
            m_device.m_nDisplayContent |= display::kFontMode;  // before the announcement
            Send(HS_TEXT_FONT);
        }
    } else if (call.second) {
        call.store.SetSecondCallPartnerName(name.c_str(), Length(name));
    } else {
        call.store.SetCallPartnerName(call.id, name.c_str(), Length(name));
    }
}

void CCallStateMachine::OnType(const Call& call) {
    int type = TypeCode(call.line.words.fourth);
    if (call.current) {
        call.store.SetCurrentCallType(type);
    } else if (call.second) {
        call.store.SetSecondCallType(type);
    } else {
        call.store.SetCallType(call.id, type);
    }
    Queue(KEY_SKYPE_GET_CALL_PARTNER_HANDLE, call.id);
}

void CCallStateMachine::OnDuration(const Call& call) {
    int seconds = ParseInt(call.line.words.fourth);
    if (call.current) {
        call.store.SetCurrentCallDuration(seconds);
    } else if (call.second) {
        call.store.SetSecondCallDuration(seconds);
    } else {
        call.store.SetCallDuration(call.id, seconds);
    }
}

// The TIMESTAMP reply comes last of a call's properties: it closes the call
// once its status is final.
void CCallStateMachine::OnTimestamp(const Call& call) {
    CallTime start = ParseInt64(call.line.words.fourth);
    CSessionStore& store = call.store;
    const int s2 = SecondCallStatus(store);
    if (call.current) {
        const int s = call.status;
        if (!IsEnded(s) && !IsFinished(s)) return;
        StopHandsetTransfer();
        if (IsFinished(s)) {
            // The call timer is shown when the handset asks for it; the bit
            // goes up before the announcement (see OnPartnerHandle).
            m_device.m_nDisplayContent |= display::kCallTimer;
            if (m_link.DisplayEnabled()) Send(HS_TEXT_RAW);
        }
        // One store operation: the keys never see the call half ended.
        store.CloseCurrentCall(start);
        if (s == CALL_MISSED && m_link.DisplayEnabled()) m_link.ShowMissedCalls();
    } else if (call.second) {
        if (!IsEnded(s2) && !IsFinished(s2)) return;
        StopHandsetTransfer();
        store.SetSecondCallTimestamp(start);
        store.ArchiveSecondCall();
        store.ResetSecondCall();
        if (s2 == CALL_MISSED && m_link.DisplayEnabled()) m_link.ShowMissedCalls();
    } else {
        m_history.HistoryCallTimestamp(call.id, start);
    }
}

// ---------------------------------------------------------------------------
// Shared steps

int CCallStateMachine::SecondCallId(CSessionStore& store) {
    int id = 0;
    store.GetSecondCallId(&id);
    return id;
}

int CCallStateMachine::SecondCallStatus(CSessionStore& store) {
    int status = CALL_NONE;
    store.GetSecondCallStatus(&status);
    return status;
}

void CCallStateMachine::StopHandsetTransfer() {
    kestrava::StopHandsetTransfer(m_device, kTransferSettle);
}

void CCallStateMachine::StopSounds() {
    m_shell.PurgeSounds();
}

void CCallStateMachine::AskCallerName(int callId) {
    if (!m_link.DisplayEnabled()) return;
    Queue(m_link.FontsSupported() ? KEY_SKYPE_GET_CALL_PARTNER_DISPNAME
                                  : KEY_SKYPE_GET_CALL_PARTNER_HANDLE,
          callId);
    m_device.m_nDisplayContent = display::kSingleItem;
}

// The TIMESTAMP reply, which Skype sends last, closes the call's record.
void CCallStateMachine::AskCallDetails(int callId) {
    for (unsigned key : {KEY_SKYPE_GET_CALL_PARTNER_DISPNAME, KEY_SKYPE_GET_CALL_PARTNER_HANDLE,
                         KEY_SKYPE_GET_CALL_TYPE, KEY_SKYPE_GET_CALL_SEEN,
                         KEY_SKYPE_GET_CALL_DURATION, KEY_SKYPE_GET_CALL_TIMESTAMP}) {
        Queue(key, callId);
    }
}

void CCallStateMachine::EndOnHandset() {
    StopHandsetTransfer();
    StopSounds();
    Send(HS_CALL_IDLE);
    Pause(20);
}

void CCallStateMachine::Send(std::uint8_t command) {
    m_device.SendCommand(command);  // a failed write changes nothing here
}

void CCallStateMachine::Pause(int milliseconds) {
    kestrava::Pause(std::chrono::milliseconds(milliseconds));
}

void CCallStateMachine::Queue(unsigned key, int callId) {
    m_link.QueueCommand(key, nullptr, callId);
}

}  // namespace kestrava
