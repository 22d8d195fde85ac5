#include "protocol/CallHistory.h"

#include "protocol/CSkypeEngine.h"
#include "protocol/CommandKeys.h"
#include "protocol/ReplyWords.h"
#include "protocol/SkypeLink.h"
#include "session/CSessionStore.h"

namespace kestrava {

namespace {

bool IsIdSeparator(char c) {
    return c == ',' || reply::IsBlank(c);
}

// Status codes of a history record. A history call only ever reaches the
// ended, finished and voicemail states here; the others mean a live call.
int StatusCode(const std::string& value) {
    struct Row {
        const char* value;
        int code;
    };
    static constexpr Row kRows[] = {
        {"ROUTING", 0},
        {"RINGING", 2},
        {"INPROGRESS", 3},
        {"FINISHED", 4},
        {"MISSED", 5},
        {"FAILED", 6},
        {"REFUSED", 7},
        {"BUSY", 8},
        {"CANCELLED", 9},
        {"LOCALHOLD", 15},
        {"VM_PLAYING_GREETING", 17},
        {"VM_RECORDING", 18},
        {"VM_SENT", 20},
        {"VM_CANCELLED", 21},
        {"VM_REDIRECT", 22},
        {"EARLYMEDIA", 23},
    };
    for (const auto& row : kRows) {
        if (value == row.value) return row.code;
    }
    return -1;
}

int CallType(const std::string& value) {
    static constexpr const char* kTypes[] = {"INCOMING_P2P", "OUTGOING_P2P", "INCOMING_PSTN",
                                             "OUTGOING_PSTN"};
    for (int type = 0; type < 4; ++type) {
        if (value == kTypes[type]) return type;
    }
    return -1;
}

bool IsLiveStatus(int code) {
    return code == 0 || code == 2 || code == 3 || code == 15 || code == 23;
}

}  // namespace

std::vector<int> CallIdsOfSearchReply(const std::string& line) {
    std::vector<int> ids;
    bool keyword = true;
    for (std::size_t pos = 0; pos < line.size();) {
        if (IsIdSeparator(line[pos])) {
            ++pos;
            continue;
        }
        const std::size_t start = pos;
        while (pos < line.size() && !IsIdSeparator(line[pos])) ++pos;
        if (keyword) {  // "CALLS"
            keyword = false;
            continue;
        }
        auto number = reply::LeadingNumber(std::string_view(line).substr(start, pos - start));
        if (number && *number > 0) ids.push_back(reply::ClampToInt(*number));
    }
    return ids;
}

CCallHistory::CCallHistory(SkypeLink& link, CSkypeEngine& engine)
    : m_link(link), m_engine(engine) {}

void CCallHistory::SetSessionStore(CSessionStore* store) {
    std::lock_guard lock(m_cs);
    m_store = store;
}

// Skype's history changed: reload it. The loaded flag stays as it is.
void CCallHistory::CallHistoryChanged(const std::string&) {
    std::lock_guard lock(m_cs);
    CSessionStore* store = m_store.load();
    if (store == nullptr) return;
    store->ClearCalls();
    store->ResetBrowse();
    m_link.QueueCommand(KEY_SKYPE_SEARCH_CALLS, nullptr, 0);
}

// The reply to the call search. The history is rebuilt when it is empty or
// Skype lists fewer calls than it holds; listing as many or more leaves it
// as it is (new calls reach it through the call state machine).
void CCallHistory::Calls(const std::string& line) {
    std::lock_guard lock(m_cs);
    CSessionStore* store = m_store.load();
    if (store == nullptr) return;
    const std::vector<int> ids = CallIdsOfSearchReply(line);
    const std::size_t listed = ids.size();
    int held = 0;
    store->GetCallCount(&held);
    if (listed == 0) {
        m_nLastCall = 0;
        EndLoad();
    }
    if (held == 0 || listed < static_cast<std::size_t>(held)) {
        store->ClearCalls();
        for (int id : ids) {
            store->AddCall(id, 0);
            m_link.QueueCommand(KEY_SKYPE_GET_CALL_TYPE, nullptr, id);
            m_link.QueueCommand(KEY_SKYPE_GET_CALL_STATUS, nullptr, id);
            m_link.QueueCommand(KEY_SKYPE_GET_CALL_SEEN, nullptr, id);
        }
        if (!ids.empty()) m_nLastCall = ids.back();
    }
    // The balance is refreshed after every reload.
    m_link.QueueCommand(KEY_SKYPE_GET_PRIVILEGE_SKYPEOUT, nullptr, 0);
}

void CCallHistory::HistoryCallProperty(int callId, const std::string& property,
                                       const std::string& value, const std::string& line) {
    std::lock_guard lock(m_cs);
    CSessionStore* store = m_store.load();
    if (store == nullptr) return;
    if (property == "STATUS") {
        const int code = StatusCode(value);
        if (code >= 0 && !IsLiveStatus(code)) store->SetCallStatus(callId, code);
    } else if (property == "TYPE") {
        store->SetCallType(callId, CallType(value));
        m_link.QueueCommand(KEY_SKYPE_GET_CALL_PARTNER_HANDLE, nullptr, callId);
    } else if (property == "PARTNER_HANDLE") {
        store->SetCallPartnerHandle(callId, value.c_str(), static_cast<int>(value.size()));
    } else if (property == "PARTNER_DISPNAME") {
        const std::string name = reply::JoinWordsFrom(line, 3, kMaxNameLength);
        store->SetCallPartnerName(callId, name.c_str(), static_cast<int>(name.size()));
    } else if (property == "DURATION") {
        store->SetCallDuration(callId, reply::ParseInt(value));
    } else if (property == "SEEN") {
        const int seen = value == "TRUE" ? 1 : 0;
        store->SetCallSeen(callId, seen);
        HistoryCallSeen(callId, seen);
    } else if (property == "TIMESTAMP") {
        HistoryCallTimestamp(callId, reply::LeadingNumber(value).value_or(0));
    }
}

// Skype answers in the order asked, so the SEEN reply of the last listed call
// comes after every other reply of the load.
void CCallHistory::HistoryCallSeen(int callId, int) {
    std::lock_guard lock(m_cs);
    const int last = m_nLastCall.load();
    if (last == 0 || callId != last) return;
    m_nLastCall = 0;
    EndLoad();
}

// A record that the handset shows is shown again with its details.
void CCallHistory::HistoryCallTimestamp(int callId, CallTime startTime) {
    std::lock_guard lock(m_cs);
    CSessionStore* store = m_store.load();
    if (store == nullptr) return;
    store->SetCallTimestamp(callId, startTime);
    store->AddCall(callId, 1);
    store->RefreshSelection(callId);
}

void CCallHistory::EndLoad() {
    m_engine.SetHistoryLoaded(1);
    m_engine.SignalHandsetReady();
}

}  // namespace kestrava
