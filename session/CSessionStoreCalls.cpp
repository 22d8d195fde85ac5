// The current and the second call of CSessionStore: the same operations over
// two slots, one implementation.
#include "session/CSessionStore.h"
#include "session/SessionText.h"

// Each public operation names its slot; the helpers do the work under the lock.

template <typename Field>
HResult CSessionStore::SetInCall(CallSlot& slot, Field CCallRecord::*field,
                                 std::type_identity_t<Field> value) {
    Lock lock(m_cs);
    (*slot).*field = value;
    return S_OK;
}

template <typename Field>
HResult CSessionStore::GetFromCall(CallSlot& slot, Field CCallRecord::*field, Field* out) {
    Lock lock(m_cs);
    if (out == nullptr) return E_FAIL;
    *out = (*slot).*field;
    return S_OK;
}

HResult CSessionStore::SetCallText(CallSlot& slot, std::string CCallRecord::*field,
                                   const char* text, int length) {
    Lock lock(m_cs);
    return CCallRecord::AssignText((*slot).*field, text, length) ? S_OK : E_FAIL;
}

HResult CSessionStore::GetCallText(CallSlot& slot, std::string CCallRecord::*field, char* out) {
    Lock lock(m_cs);
    return kestrava::CopyToCallerBuffer(out, (*slot).*field);
}

// A name means Skype has answered for this call.
HResult CSessionStore::SetCallPartnerNameOf(CallSlot& slot, const char* text, int length) {
    Lock lock(m_cs);
    if (!Succeeded(SetCallText(slot, &CCallRecord::PartnerName, text, length))) return E_FAIL;
    slot->HasDetails = 1;
    return S_OK;
}

// Clears what the next call must not inherit. HasDetails stays; the second
// call also keeps its duration and timestamp (PromoteSecondCall may still
// carry them over).
HResult CSessionStore::ResetCall(CallSlot& slot, bool withTimes) {
    Lock lock(m_cs);
    CCallRecord& call = *slot;
    call.CallId = 0;
    call.Status = -1;
    call.Type = -1;
    call.Seen = 1;
    call.PartnerName.clear();
    call.ExtraText.clear();
    call.PartnerHandle.clear();
    if (withTimes) {
        call.Duration = 0;
        call.Timestamp = 0;
    }
    return S_OK;
}

HResult CSessionStore::SetCurrentCallId(int id) {
    return SetInCall(m_pCurrentCall, &CCallRecord::CallId, id);
}
HResult CSessionStore::GetCurrentCallId(int* id) {
    return GetFromCall(m_pCurrentCall, &CCallRecord::CallId, id);
}
HResult CSessionStore::ResetCurrentCall() {
    return ResetCall(m_pCurrentCall, true);
}
HResult CSessionStore::SetCurrentCallStatus(int status) {
    return SetInCall(m_pCurrentCall, &CCallRecord::Status, status);
}
HResult CSessionStore::GetCurrentCallStatus(int* status) {
    return GetFromCall(m_pCurrentCall, &CCallRecord::Status, status);
}
HResult CSessionStore::SetCurrentCallPartnerName(const char* text, int length) {
    return SetCallPartnerNameOf(m_pCurrentCall, text, length);
}
HResult CSessionStore::GetCurrentCallPartnerName(char* out) {
    return GetCallText(m_pCurrentCall, &CCallRecord::PartnerName, out);
}
HResult CSessionStore::SetCurrentCallExtraText(const char* text, int length) {
    return SetCallText(m_pCurrentCall, &CCallRecord::ExtraText, text, length);
}
HResult CSessionStore::GetCurrentCallExtraText(char* out) {
    return GetCallText(m_pCurrentCall, &CCallRecord::ExtraText, out);
}
HResult CSessionStore::SetCurrentCallPartnerHandle(const char* text, int length) {
    return SetCallText(m_pCurrentCall, &CCallRecord::PartnerHandle, text, length);
}
HResult CSessionStore::GetCurrentCallPartnerHandle(char* out) {
    return GetCallText(m_pCurrentCall, &CCallRecord::PartnerHandle, out);
}
HResult CSessionStore::SetCurrentCallType(int type) {
    return SetInCall(m_pCurrentCall, &CCallRecord::Type, type);
}
HResult CSessionStore::GetCurrentCallType(int* type) {
    return GetFromCall(m_pCurrentCall, &CCallRecord::Type, type);
}
HResult CSessionStore::SetCurrentCallSeen(int seen) {
    return SetInCall(m_pCurrentCall, &CCallRecord::Seen, seen);
}
HResult CSessionStore::GetCurrentCallSeen(int* seen) {
    return GetFromCall(m_pCurrentCall, &CCallRecord::Seen, seen);
}

// Copies a finished call into the history through the by-id setters (the
// record goes to the front when it is new). The source is left as it is.
HResult CSessionStore::ArchiveCall(CallSlot& slot, bool withDuration) {
    Lock lock(m_cs);
    const CCallRecord& source = *slot;
    const int id = source.CallId;
    AddCall(id, 1);  // fails harmlessly for a call the history already lists
    // The by-id setters find the record again; they take the lock recursively.
    bool ok = Succeeded(SetCallStatus(id, source.Status));
    ok = Succeeded(SetCallType(id, source.Type)) && ok;
    ok = Succeeded(SetCallSeen(id, source.Seen)) && ok;
    ok = Succeeded(SetCallHasDetails(id, source.HasDetails)) && ok;
    ok = Succeeded(SetCallPartnerName(id, source.PartnerName.c_str(),
                                      static_cast<int>(source.PartnerName.size()))) &&
         ok;
    ok = Succeeded(SetCallExtraText(id, source.ExtraText.c_str(),
                                    static_cast<int>(source.ExtraText.size()))) &&
         ok;
    ok = Succeeded(SetCallPartnerHandle(id, source.PartnerHandle.c_str(),
                                        static_cast<int>(source.PartnerHandle.size()))) &&
         ok;
    ok = Succeeded(SetCallTimestamp(id, source.Timestamp)) && ok;
    if (withDuration) ok = Succeeded(SetCallDuration(id, source.Duration)) && ok;
    return ok ? S_OK : E_FAIL;
}

HResult CSessionStore::ArchiveCurrentCall() {
    return ArchiveCall(m_pCurrentCall, true);
}
HResult CSessionStore::SetCurrentCallTimestamp(CallTime time) {
    return SetInCall(m_pCurrentCall, &CCallRecord::Timestamp, time);
}

// The running call's timer text follows every duration Skype reports.
HResult CSessionStore::SetCurrentCallDuration(int seconds) {
    Lock lock(m_cs);
    SetInCall(m_pCurrentCall, &CCallRecord::Duration, seconds);
    return FormatDuration(seconds);
}

HResult CSessionStore::GetCurrentCallDuration(int* seconds) {
    return GetFromCall(m_pCurrentCall, &CCallRecord::Duration, seconds);
}

HResult CSessionStore::SetSecondCallId(int id) {
    return SetInCall(m_pSecondCall, &CCallRecord::CallId, id);
}
HResult CSessionStore::GetSecondCallId(int* id) {
    return GetFromCall(m_pSecondCall, &CCallRecord::CallId, id);
}
HResult CSessionStore::ResetSecondCall() {
    return ResetCall(m_pSecondCall, false);
}

// The waiting call becomes the current one; the second call is left as it was
// (the caller resets it).
HResult CSessionStore::GetBothCalls(int* currentId, int* currentStatus, int* secondId,
                                    int* secondStatus) {
    Lock lock(m_cs);
    if (!currentId || !currentStatus || !secondId || !secondStatus) return E_FAIL;
    *currentId = m_pCurrentCall->CallId;
    *currentStatus = m_pCurrentCall->Status;
    *secondId = m_pSecondCall->CallId;
    *secondStatus = m_pSecondCall->Status;
    return S_OK;
}

HResult CSessionStore::CloseCurrentCall(CallTime timestamp) {
    Lock lock(m_cs);
    SetCurrentCallTimestamp(timestamp);
    RetireCurrentCall();
    return S_OK;
}

HResult CSessionStore::PromoteSecondCall() {
    Lock lock(m_cs);
    const CCallRecord& from = *m_pSecondCall;
    CCallRecord& to = *m_pCurrentCall;
    to.CallId = from.CallId;
    to.Status = from.Status;
    to.Type = from.Type;
    to.Seen = from.Seen;
    to.HasDetails = from.HasDetails;
    to.PartnerHandle = from.PartnerHandle;
    to.ExtraText = from.ExtraText;
    to.PartnerName = from.PartnerName;
    to.Duration = from.Duration;
    to.Timestamp = from.Timestamp;
    return S_OK;
}

HResult CSessionStore::RetireCurrentCall() {
    Lock lock(m_cs);
    const HResult archived = ArchiveCurrentCall();
    ResetCurrentCall();
    int second = 0;
    GetSecondCallId(&second);
    if (second != 0) {
        PromoteSecondCall();
        ResetSecondCall();
    }
    return archived;
}

HResult CSessionStore::SetSecondCallStatus(int status) {
    return SetInCall(m_pSecondCall, &CCallRecord::Status, status);
}
HResult CSessionStore::GetSecondCallStatus(int* status) {
    return GetFromCall(m_pSecondCall, &CCallRecord::Status, status);
}
HResult CSessionStore::SetSecondCallPartnerName(const char* text, int length) {
    return SetCallPartnerNameOf(m_pSecondCall, text, length);
}
HResult CSessionStore::GetSecondCallPartnerName(char* out) {
    return GetCallText(m_pSecondCall, &CCallRecord::PartnerName, out);
}
HResult CSessionStore::SetSecondCallExtraText(const char* text, int length) {
    return SetCallText(m_pSecondCall, &CCallRecord::ExtraText, text, length);
}
HResult CSessionStore::GetSecondCallExtraText(char* out) {
    return GetCallText(m_pSecondCall, &CCallRecord::ExtraText, out);
}
HResult CSessionStore::SetSecondCallPartnerHandle(const char* text, int length) {
    return SetCallText(m_pSecondCall, &CCallRecord::PartnerHandle, text, length);
}
HResult CSessionStore::GetSecondCallPartnerHandle(char* out) {
    return GetCallText(m_pSecondCall, &CCallRecord::PartnerHandle, out);
}
HResult CSessionStore::SetSecondCallType(int type) {
    return SetInCall(m_pSecondCall, &CCallRecord::Type, type);
}
HResult CSessionStore::GetSecondCallType(int* type) {
    return GetFromCall(m_pSecondCall, &CCallRecord::Type, type);
}
HResult CSessionStore::SetSecondCallSeen(int seen) {
    return SetInCall(m_pSecondCall, &CCallRecord::Seen, seen);
}
HResult CSessionStore::GetSecondCallSeen(int* seen) {
    return GetFromCall(m_pSecondCall, &CCallRecord::Seen, seen);
}

// The history record keeps its own duration: Skype's DURATION reply for the
// second call is stored there, not on the second call.
HResult CSessionStore::ArchiveSecondCall() {
    return ArchiveCall(m_pSecondCall, false);
}
HResult CSessionStore::SetSecondCallTimestamp(CallTime time) {
    return SetInCall(m_pSecondCall, &CCallRecord::Timestamp, time);
}
HResult CSessionStore::SetSecondCallDuration(int seconds) {
    return SetInCall(m_pSecondCall, &CCallRecord::Duration, seconds);
}
HResult CSessionStore::GetSecondCallDuration(int* seconds) {
    return GetFromCall(m_pSecondCall, &CCallRecord::Duration, seconds);
}
