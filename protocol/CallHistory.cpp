#include "protocol/CallHistory.h"

#include "protocol/CSkypeEngine.h"
#include "protocol/CommandKeys.h"
#include "protocol/LineWords.h"
#include "protocol/SkypeLink.h"
#include "session/CSessionStore.h"

namespace kestrava {

std::vector<int> CallIdsOfSearchReply(const std::string& line) {
    std::vector<int> ids;
    for (std::string_view word : ItemsOfListReply(line)) {
        const int id = ParseInt(word);  // 0 for a word that is not a number
        if (id > 0) ids.push_back(id);
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
void CCallHistory::CallHistoryChanged(const NotificationLine&) {
    std::lock_guard lock(m_cs);
    CSessionStore* store = m_store.load();
    if (store == nullptr) return;
    store->ClearCalls();
    store->ResetBrowse();
    m_bReloadPending = true;
    m_link.QueueCommand(KEY_SKYPE_SEARCH_CALLS, nullptr, 0);
}

// The reply to the call search. The history is rebuilt when it is empty or
// Skype lists fewer calls than it holds; listing as many or more leaves it
// as it is (new calls reach it through the call state machine). After a
// change notice it is always rebuilt: the call whose end Skype announced may
// have been archived into the emptied history meanwhile, and keeping that one
// record would lose every older call.
void CCallHistory::Calls(const NotificationLine& line) {
    std::lock_guard lock(m_cs);
    CSessionStore* store = m_store.load();
    if (store == nullptr) return;
    const std::vector<int> ids = CallIdsOfSearchReply(line.text);
    const std::size_t listed = ids.size();
    int held = 0;
    store->GetCallCount(&held);
    if (listed == 0) {
        m_nLastCall = 0;
        EndLoad();
    }
    const bool reload = m_bReloadPending;
    m_bReloadPending = false;
    if (reload || held == 0 || listed < static_cast<std::size_t>(held)) {
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
