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
        const int id = ParseCallId(word);  // 0 for a word that is no call id
        if (id != 0) ids.push_back(id);
    }
    return ids;
}

CCallHistory::CCallHistory(SkypeLink& link, CSkypeEngine& engine)
    : m_link(link), m_engine(engine) {}

void CCallHistory::SetSessionStore(CSessionStore* store) {
    std::lock_guard lock(m_cs);
    m_store = store;
}

// Skype's history changed: reload it. The history stays as it is until the
// reply comes, so a call archived meanwhile (the call whose end Skype
// announced) counts with the older ones, and the missed calls shown then are
// the true count. The loaded flag stays as it is.
void CCallHistory::CallHistoryChanged(const NotificationLine&) {
    std::lock_guard lock(m_cs);
    CSessionStore* store = m_store.load();
    if (store == nullptr) return;
    store->ResetBrowse();
    m_bReloadPending = true;
    m_link.QueueBulkCommand(KEY_SKYPE_SEARCH_CALLS, nullptr, 0);
}

// The reply to the call search. The history is rebuilt when it is empty or
// Skype lists fewer calls than it holds; listing as many or more leaves it
// as it is (new calls reach it through the call state machine), and the load
// is complete unless an earlier one is still being answered. After a change notice it is always
// rebuilt: the records Skype changed are asked again.
void CCallHistory::Calls(const NotificationLine& line) {
    std::lock_guard lock(m_cs);
    CSessionStore* store = m_store.load();
    if (store == nullptr) return;
    const std::vector<int> ids = CallIdsOfSearchReply(line.text);
    const std::size_t listed = ids.size();
    int held = 0;
    store->GetCallCount(&held);
    const bool reload = m_bReloadPending;
    m_bReloadPending = false;
    if (listed == 0) {
        m_nLastCall = 0;
        m_bChangeLoad = false;
        EndLoad();
        if (reload) m_engine.RefreshMissedCalls();
    }
    if (reload || held == 0 || listed < static_cast<std::size_t>(held)) {
        store->ClearCalls();
        for (int id : ids) {
            store->AddCall(id, 0);
            m_link.QueueBulkCommand(KEY_SKYPE_GET_CALL_TYPE, nullptr, id);
            m_link.QueueBulkCommand(KEY_SKYPE_GET_CALL_STATUS, nullptr, id);
            m_link.QueueBulkCommand(KEY_SKYPE_GET_CALL_SEEN, nullptr, id);
        }
        if (!ids.empty()) {
            m_nLastCall = ids.back();
            m_bChangeLoad = reload;
        }
    } else if (m_nLastCall.load() == 0) {
        EndLoad();
    }
    // Otherwise a load is still being answered (a start-up search and a
    // change notice's crossed): it ends, and shows its count, on its own
    // last reply.
    // The balance is refreshed after every reload.
    m_link.QueueBulkCommand(KEY_SKYPE_GET_PRIVILEGE_SKYPEOUT, nullptr, 0);
}

// Every question of the history goes in the bulk lane, which keeps its order,
// and Skype answers in the order asked, so the SEEN reply of the last listed
// call comes after every other reply of the load.
void CCallHistory::HistoryCallSeen(int callId, int) {
    std::lock_guard lock(m_cs);
    const int last = m_nLastCall.load();
    if (last == 0 || callId != last) return;
    m_nLastCall = 0;
    EndLoad();
    // The count of missed calls on the handset was taken while the history
    // was being rebuilt: it is shown again if it changed.
    if (m_bChangeLoad) m_engine.RefreshMissedCalls();
    m_bChangeLoad = false;
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
