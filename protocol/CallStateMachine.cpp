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
constexpr int kAlertPauseMs = 1000;  // the handset rings before anything else reaches it

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

    const int id = ParseCallId(line.words.second);
    if (id == 0) return false;

    int currentId = line.currentCallId;
    int currentStatus = line.currentCallStatus;
    const std::string& property = line.words.third;
    const std::string& value = line.words.fourth;
    if (property == "STATUS" &&
        (value == "ROUTING" || value == "RINGING" || value == "EARLYMEDIA")) {
        RetireEndedCall(*store, id, currentId, currentStatus);
    }

    const bool current = currentId != 0 && id == currentId;
    const int secondId = SecondCallId(*store);
    const bool second = !current && secondId != 0 && id == secondId;
    Call call{line,
              *store,
              id,
              currentStatus,
              secondId != 0 ? SecondCallStatus(*store) : CALL_NONE,
              current,
              second,
              currentId == 0};

    if (property == "STATUS") return HandleStatus(call, value);
    HandleProperty(call, property);
    return false;
}

bool CCallStateMachine::Call::Known() const {
    return store.HasCall(id) == S_OK;
}

// A search lists live calls too: a record whose status has not come yet, or
// is not final, may be a call that starts now.
bool CCallStateMachine::Call::Over() const {
    int status = CALL_NONE;
    return Succeeded(store.GetCallStatus(id, &status)) && IsFinal(status);
}

// The current call has ended (its final status came) and Skype is still
// answering the questions about it when another call starts: it goes to the
// history now, and the waiting call, if any, takes its place. Its remaining
// replies then complete the history record.
void CCallStateMachine::RetireEndedCall(CSessionStore& store, int newId, int& currentId,
                                        int& currentStatus) {
    while (currentId != 0 && newId != currentId && IsFinal(currentStatus)) {
        store.RetireCurrentCall();
        currentId = 0;
        currentStatus = CALL_NONE;
        store.GetCurrentCallId(&currentId);
        if (currentId != 0) store.GetCurrentCallStatus(&currentStatus);
    }
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
    }
    // A search lists live calls too: the load ends on the last listed call's
    // reply whatever that call is doing.
    m_history.HistoryCallSeen(call.id, seen);
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
        // A history record learns its partner this way, a question of the
        // history's load (bulk lane). A live call asks for its partner
        // itself; a search lists live calls too, and asking again there
        // would draw the handle over the ringing caller's name.
        m_link.QueueBulkCommand(KEY_SKYPE_GET_CALL_PARTNER_HANDLE, nullptr, call.id);
    }
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
    if (call.current) {
        const int s = call.status;
        if (!IsFinal(s)) return;
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
        const int s2 = call.secondStatus;
        if (!IsFinal(s2)) return;
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

void CCallStateMachine::EndOnHandset(int otherStatus) {
    StopHandsetTransfer();
    StopSounds();
    if (IsOneOf(otherStatus, {CALL_INPROGRESS, CALL_LOCALHOLD})) {
        Send(HS_CALL_ACTIVE);
    } else if (IsOneOf(otherStatus, {CALL_ROUTING, CALL_RINGING_OUT})) {
        Send(HS_CALL_ROUTING);  // the other call is being placed
    } else {
        Send(HS_CALL_IDLE);
    }
    Pause(20);
    if (IsOneOf(otherStatus, {CALL_RINGING_IN, CALL_EARLYMEDIA})) {
        // The other call still rings here: ring for it.
        Send(HS_CALL_ALERT);
        Pause(kAlertPauseMs);
    }
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
