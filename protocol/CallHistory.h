// The call history from Skype: loaded from the reply to the call search
// after attaching, and brought up to date with what changed after every
// change Skype announces (the history is kept until the reply comes),
// completed by the
// replies for calls that are neither the current nor the second call (the
// call state machine stores their properties and hands on SEEN and
// TIMESTAMP). The SEEN reply of the last call of a search ends the load, and the handset is
// then told the link is ready. Runs on the parser thread.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "protocol/LineHandlers.h"
#include "session/CCallRecord.h"

class CSessionStore;
class CSkypeEngine;
class SkypeLink;

namespace kestrava {

// The call ids of a "CALLS" reply in the reply's order. Words that are not a
// positive number are left out: call id 0 means "no call" to the store.
std::vector<int> CallIdsOfSearchReply(const std::string& line);

class CCallHistory final : public HistoryLineHandler {
  public:
    CCallHistory(SkypeLink& link, CSkypeEngine& engine);
    CCallHistory(const CCallHistory&) = delete;
    CCallHistory& operator=(const CCallHistory&) = delete;

    // The store exists later than the engine; until it is set the lines are
    // dropped. Null detaches it again.
    void SetSessionStore(CSessionStore* store);

    void CallHistoryChanged(const NotificationLine& line) override;  // "CALLHISTORYCHANGED"
    void Calls(const NotificationLine& line) override;               // "CALLS id, id, ..."
    // SEEN of a history call once the store has it: the last listed call ends the load.
    void HistoryCallSeen(int callId, int seen) override;
    // TIMESTAMP of a history call: its details are complete.
    void HistoryCallTimestamp(int callId, CallTime startTime) override;

    // The id whose SEEN reply ends the load under way; 0 when none.
    int LastCallMarker() const { return m_nLastCall.load(); }

  private:
    void Refresh(CSessionStore& store, const std::vector<int>& ids);
    void AskDetails(int id);  // type, status and seen flag, in that order
    void EndLoad();

    SkypeLink& m_link;
    CSkypeEngine& m_engine;
    std::atomic<CSessionStore*> m_store{nullptr};
    std::atomic<int> m_nLastCall{0};
    bool m_bReloadPending = false;  // a change notice came; its reply refreshes the history
    bool m_bChangeLoad = false;     // the load under way follows a change notice
    std::recursive_mutex m_cs;
};

}  // namespace kestrava
