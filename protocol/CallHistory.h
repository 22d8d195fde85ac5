// The call history from Skype: rebuilt from the reply to the call search
// after attaching and after every change Skype announces, completed by the
// replies for calls that are neither the current nor the second call. The
// SEEN reply of the last call of a search ends the load, and the handset is
// then told the link is ready. Runs on the parser thread.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "session/CCallRecord.h"

class CSessionStore;
class CSkypeEngine;
class SkypeLink;

namespace kestrava {

// The call ids of a "CALLS" reply in the reply's order. Words that are not a
// positive number are left out: call id 0 means "no call" to the store.
std::vector<int> CallIdsOfSearchReply(const std::string& line);

class CCallHistory {
  public:
    static constexpr std::size_t kMaxNameLength = 254;

    CCallHistory(SkypeLink& link, CSkypeEngine& engine);
    CCallHistory(const CCallHistory&) = delete;
    CCallHistory& operator=(const CCallHistory&) = delete;
    virtual ~CCallHistory() = default;

    // The store exists later than the engine; until it is set the lines are
    // dropped. Null detaches it again.
    void SetSessionStore(CSessionStore* store);

    virtual void CallHistoryChanged(const std::string& line);  // "CALLHISTORYCHANGED"
    virtual void Calls(const std::string& line);               // "CALLS id, id, ..."
    // A "CALL id property value..." reply for a history call; `line` is the
    // whole reply (names are built from its words).
    virtual void HistoryCallProperty(int callId, const std::string& property,
                                     const std::string& value, const std::string& line);
    // SEEN of a history call once the store has it: the last listed call ends the load.
    virtual void HistoryCallSeen(int callId, int seen);
    // TIMESTAMP of a history call: its details are complete.
    virtual void HistoryCallTimestamp(int callId, CallTime startTime);

    // The id whose SEEN reply ends the load under way; 0 when none.
    int LastCallMarker() const { return m_nLastCall.load(); }

  private:
    void EndLoad();

    SkypeLink& m_link;
    CSkypeEngine& m_engine;
    std::atomic<CSessionStore*> m_store{nullptr};
    std::atomic<int> m_nLastCall{0};
    std::recursive_mutex m_cs;
};

}  // namespace kestrava
