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

// Skype's history changed: search it again. The history stays as it is
// until the reply comes, so a call archived meanwhile (the call whose end
// Skype announced) counts with the older ones, and the missed calls shown
// then are the true count. The loaded flag and the browse stay as they are.
void CCallHistory::CallHistoryChanged(const NotificationLine&) {
    std::lock_guard lock(m_cs);
    CSessionStore* store = m_store.load();
    if (store == nullptr) return;
    m_bReloadPending = true;
    m_link.QueueBulkCommand(KEY_SKYPE_SEARCH_CALLS, nullptr, 0);
}

// The reply to the call search. After a change notice the history takes what
// changed (Refresh). Otherwise it is loaded in full when it is empty or Skype
// lists fewer calls than it holds; listing as many or more leaves it as it is
// (new calls reach it through the call state machine), and the load is
// complete unless an earlier one is still being answered.
void CCallHistory::Calls(const NotificationLine& line) {
    std::lock_guard lock(m_cs);
    CSessionStore* store = m_store.load();
    if (store == nullptr) return;
    const std::vector<int> ids = CallIdsOfSearchReply(line.text);
    const std::size_t listed = ids.size();
    int held = 0;
    store->GetCallCount(&held);
    const bool changed = m_bReloadPending;
    m_bReloadPending = false;
    if (changed) {
        Refresh(*store, ids);
    } else if (held == 0 || listed < static_cast<std::size_t>(held)) {
        m_nLastCall = ids.empty() ? 0 : ids.back();
        m_bChangeLoad = false;
        if (ids.empty()) EndLoad();
        store->ClearCalls();
        for (int id : ids) {
            store->AddCall(id, 0);
            AskDetails(id);
        }
    } else if (m_nLastCall.load() == 0) {
        EndLoad();
    }
    // Otherwise a load is still being answered (a start-up search and a
    // change notice's crossed): it ends, and shows its count, on its own
    // last reply.
    // The balance is refreshed after every search.
    m_link.QueueBulkCommand(KEY_SKYPE_GET_PRIVILEGE_SKYPEOUT, nullptr, 0);
}

// What a change of Skype's history costs is what changed: the listed calls
// the history lacks are asked for, the calls no longer listed leave, and of
// the calls kept only those whose seen flag can still change (missed incoming
// calls not yet seen) are asked for it again. The last SEEN asked ends the
// load, which then shows the missed count again if it changed.
void CCallHistory::Refresh(CSessionStore& store, const std::vector<int>& ids) {
    const CSessionStore::HistoryMatch match = store.MatchCalls(ids);
    for (int id : match.added) AskDetails(id);
    for (int id : match.unseenMissed) m_link.QueueBulkCommand(KEY_SKYPE_GET_CALL_SEEN, nullptr, id);
    int last = 0;
    if (!match.unseenMissed.empty()) {
        last = match.unseenMissed.back();
    } else if (!match.added.empty()) {
        last = match.added.back();
    }
    if (last != 0) {
        m_nLastCall = last;
        m_bChangeLoad = true;
        return;
    }
    // Nothing to ask. A load still being answered ends on its own last reply
    // while the history keeps that call; otherwise the load is complete now.
    const int pending = m_nLastCall.load();
    if (pending != 0 && store.HasCall(pending) == S_OK) {
        m_bChangeLoad = true;
        return;
    }
    m_nLastCall = 0;
    m_bChangeLoad = false;
    EndLoad();
    m_engine.RefreshMissedCalls();
}

void CCallHistory::AskDetails(int id) {
    m_link.QueueBulkCommand(KEY_SKYPE_GET_CALL_TYPE, nullptr, id);
    m_link.QueueBulkCommand(KEY_SKYPE_GET_CALL_STATUS, nullptr, id);
    m_link.QueueBulkCommand(KEY_SKYPE_GET_CALL_SEEN, nullptr, id);
}

// Every question of the history goes in the bulk lane, which keeps its order,
// and Skype answers in the order asked, so the SEEN reply of the last asked call
// comes after every other reply of the load.
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
