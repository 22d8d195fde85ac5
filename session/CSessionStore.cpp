#include "session/CSessionStore.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <new>
#include <unordered_map>
#include <unordered_set>

#include "session/ContactActionSink.h"
#include "session/SessionText.h"

namespace {

using kestrava::CopyToCallerBuffer;
using kestrava::ReadCharCycling;

bool IsIncoming(const CCallRecord& record) {
    return record.Type == 0 || record.Type == 2;
}
bool IsDialed(int type) {
    return type == 1 || type == 3;
}

// Local time of `time`, or false when the system cannot convert it.
bool ToLocalTime(CallTime time, std::tm* out) {
    const std::time_t value = static_cast<std::time_t>(time);
    if (static_cast<CallTime>(value) != time) return false;
#ifdef _WIN32
    return localtime_s(out, &value) == 0;
#else
    return localtime_r(&value, out) != nullptr;
#endif
}

// The start time as the handset shows it, the same on every system and in
// every locale: month/day/two-digit year, a blank, hours:minutes (14 characters).
// Empty when the year does not fit an int (a far-future 64-bit timestamp).
std::string StartTimeText(const std::tm& local) {
    if (local.tm_year > std::numeric_limits<int>::max() - 1900) return {};
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%02d %02d:%02d", local.tm_mon + 1, local.tm_mday,
                  (local.tm_year + 1900) % 100, local.tm_hour, local.tm_min);
    return text;
}

// Hours widen past two digits (360000 seconds is "100:00:00").
std::string DurationText(int seconds) {
    if (seconds < 0) seconds = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return text;
}

}  // namespace

CSessionStore::CSessionStore(ContactActionSink* contactActions)
    : m_pCurrentCall(std::make_unique<CCallRecord>()),
      m_pSecondCall(std::make_unique<CCallRecord>()),
      m_pContactActions(contactActions) {}

CSessionStore::~CSessionStore() {
    Lock lock(m_cs);
    m_CallingLists.clear();
    m_pCurrentCall.reset();
    m_pSecondCall.reset();
    m_strStartTime.clear();
    m_strDuration.clear();
    m_strClock.clear();
}

void CSessionStore::SetContactActionSink(ContactActionSink* contactActions) {
    Lock lock(m_cs);
    m_pContactActions = contactActions;
}

CCallRecord* CSessionStore::FindCall(int id) {
    for (auto& record : m_CallingLists) {
        if (record->CallId == id) return record.get();
    }
    return nullptr;
}

// The cursor may point past the end after the history was rebuilt under a
// browse, or be -1 after a browse that found nothing.
CCallRecord* CSessionStore::RecordAtCursor() {
    if (m_nCursor < 0 || static_cast<std::size_t>(m_nCursor) >= m_CallingLists.size()) {
        return nullptr;
    }
    return m_CallingLists[static_cast<std::size_t>(m_nCursor)].get();
}

bool CSessionStore::MatchesBrowseMode(const CCallRecord& record) const {
    switch (m_nBrowseMode) {
        case kBrowseReceived:
            return IsIncoming(record) && record.Status != kStatusMissed;
        case kBrowseDialed:
            return IsDialed(record.Type);
        case kBrowseMissed:
            return IsIncoming(record) && record.Status == kStatusMissed;
        default:
            return false;
    }
}

// ---- history --------------------------------------------------------------

HResult CSessionStore::GetCallIdAt(int index, int* id) {
    Lock lock(m_cs);
    if (index < 0 || static_cast<std::size_t>(index) >= m_CallingLists.size()) return E_FAIL;
    return kestrava::StoreToCaller(id, m_CallingLists[static_cast<std::size_t>(index)]->CallId);
}

// A known id only marks whether its details are known: the call search lists
// every call again (atFront 0), a call's TIMESTAMP reply completes it (atFront 1).
HResult CSessionStore::AddCall(int id, int atFront) {
    Lock lock(m_cs);
    if (CCallRecord* known = FindCall(id)) {
        known->HasDetails = atFront;
        return E_FAIL;
    }
    try {
        auto record = std::make_unique<CCallRecord>(id);
        record->HasDetails = atFront;
        if (atFront != 0) {
            m_CallingLists.push_front(std::move(record));
        } else {
            m_CallingLists.push_back(std::move(record));
        }
    } catch (const std::bad_alloc&) {
        return E_FAIL;  // the history is as it was
    }
    return S_OK;
}

HResult CSessionStore::GetCallCount(int* count) {
    Lock lock(m_cs);
    return kestrava::StoreToCaller(count, static_cast<int>(m_CallingLists.size()));
}

HResult CSessionStore::ClearCalls() {
    Lock lock(m_cs);
    m_CallingLists.clear();
    return S_OK;
}

HResult CSessionStore::SetCallPartnerName(int id, const char* text, int length) {
    Lock lock(m_cs);
    CCallRecord* record = FindCall(id);
    if (!record || !CCallRecord::AssignText(record->PartnerName, text, length)) return E_FAIL;
    return S_OK;
}

HResult CSessionStore::SetCallExtraText(int id, const char* text, int length) {
    Lock lock(m_cs);
    CCallRecord* record = FindCall(id);
    if (!record || !CCallRecord::AssignText(record->ExtraText, text, length)) return E_FAIL;
    return S_OK;
}

HResult CSessionStore::SetCallPartnerHandle(int id, const char* text, int length) {
    Lock lock(m_cs);
    CCallRecord* record = FindCall(id);
    if (!record || !CCallRecord::AssignText(record->PartnerHandle, text, length)) return E_FAIL;
    return S_OK;
}

template <typename Field>
HResult CSessionStore::SetById(int id, Field CCallRecord::*field, Field value) {
    Lock lock(m_cs);
    CCallRecord* record = FindCall(id);
    if (record == nullptr) return E_FAIL;
    record->*field = value;
    return S_OK;
}

HResult CSessionStore::SetCallType(int id, int type) {
    return SetById(id, &CCallRecord::Type, type);
}
HResult CSessionStore::SetCallStatus(int id, int status) {
    return SetById(id, &CCallRecord::Status, status);
}
HResult CSessionStore::SetCallHasDetails(int id, int flag) {
    return SetById(id, &CCallRecord::HasDetails, flag);
}
HResult CSessionStore::SetCallSeen(int id, int seen) {
    return SetById(id, &CCallRecord::Seen, seen);
}
HResult CSessionStore::SetCallExtra1(int id, int value) {
    return SetById(id, &CCallRecord::Extra1, value);
}
HResult CSessionStore::SetCallExtra2(int id, int value) {
    return SetById(id, &CCallRecord::Extra2, value);
}
HResult CSessionStore::SetCallDuration(int id, int seconds) {
    return SetById(id, &CCallRecord::Duration, seconds);
}
HResult CSessionStore::SetCallTimestamp(int id, CallTime time) {
    return SetById(id, &CCallRecord::Timestamp, time);
}

// An unknown call has no details yet: the handset asks Skype for them.
HResult CSessionStore::GetCallHasDetails(int id, int* flag) {
    Lock lock(m_cs);
    const CCallRecord* record = FindCall(id);
    return kestrava::StoreToCaller(flag, record ? record->HasDetails : 0);
}

HResult CSessionStore::GetCallStatus(int id, int* status) {
    Lock lock(m_cs);
    const CCallRecord* record = FindCall(id);
    if (record == nullptr) return E_FAIL;
    return kestrava::StoreToCaller(status, record->Status);
}

HResult CSessionStore::CountUnseenMissedCalls(int* count) {
    Lock lock(m_cs);
    int unseen = 0;
    for (const auto& record : m_CallingLists) {
        if (IsIncoming(*record) && record->Status == kStatusMissed && record->Seen == 0) ++unseen;
    }
    return kestrava::StoreToCaller(count, unseen);
}

HResult CSessionStore::HasCall(int id) {
    Lock lock(m_cs);
    return FindCall(id) ? S_OK : E_FAIL;
}

// Everything that allocates happens before the history changes: the new
// records, and the new order with a slot for each kept record, which is then
// moved into place. A failed allocation leaves the history as it was.
CSessionStore::HistoryMatch CSessionStore::MatchCalls(const std::vector<int>& listed) {
    Lock lock(m_cs);
    HistoryMatch match;
    std::unordered_map<int, std::size_t> held;  // id -> index in the history
    std::deque<std::unique_ptr<CCallRecord>> rebuilt;
    std::vector<std::size_t> keptFrom;  // for each entry of `rebuilt`: its old index, or npos
    constexpr std::size_t kNew = static_cast<std::size_t>(-1);
    try {
        held.reserve(m_CallingLists.size());
        for (std::size_t index = 0; index < m_CallingLists.size(); ++index) {
            held.emplace(m_CallingLists[index]->CallId, index);
        }
        std::unordered_set<int> taken;
        for (int id : listed) {
            if (!taken.insert(id).second) continue;  // listed twice
            const auto found = held.find(id);
            if (found == held.end()) {
                rebuilt.push_back(std::make_unique<CCallRecord>(id));
                keptFrom.push_back(kNew);
                match.added.push_back(id);
                continue;
            }
            const CCallRecord& record = *m_CallingLists[found->second];
            if (IsIncoming(record) && record.Status == kStatusMissed && record.Seen == 0) {
                match.unseenMissed.push_back(id);
            }
            rebuilt.push_back(nullptr);
            keptFrom.push_back(found->second);
        }
    } catch (const std::bad_alloc&) {
        return {};  // the history is as it was
    }

    // The browse follows its records to their new places.
    auto newIndexOf = [&](int oldIndex) {
        if (oldIndex < 0) return -1;
        for (std::size_t index = 0; index < keptFrom.size(); ++index) {
            if (keptFrom[index] == static_cast<std::size_t>(oldIndex)) {
                return static_cast<int>(index);
            }
        }
        return -1;
    };
    const CCallRecord* atCursor = RecordAtCursor();
    const int cursor = atCursor ? newIndexOf(m_nCursor) : -1;
    const int lastMatch = newIndexOf(m_nLastMatch);

    for (std::size_t index = 0; index < rebuilt.size(); ++index) {
        if (keptFrom[index] != kNew) rebuilt[index] = std::move(m_CallingLists[keptFrom[index]]);
    }
    m_CallingLists.swap(rebuilt);

    if (cursor < 0) {
        ResetBrowse();
    } else {
        m_nCursor = cursor;
        m_nLastMatch = lastMatch;
    }
    return match;
}

// ---- the browsed call -----------------------------------------------------

HResult CSessionStore::GetSelectedPartnerName(char* out) {
    Lock lock(m_cs);
    if (m_Selection.PartnerName.empty()) return E_FAIL;
    return CopyToCallerBuffer(out, m_Selection.PartnerName);
}

HResult CSessionStore::GetSelectedPartnerHandle(char* out) {
    Lock lock(m_cs);
    if (m_Selection.PartnerHandle.empty()) return E_FAIL;
    return CopyToCallerBuffer(out, m_Selection.PartnerHandle);
}

// Stays at the end once there: the handset reads the handle exactly once.
HResult CSessionStore::ReadSelectedHandleChar(char* out) {
    Lock lock(m_cs);
    if (out == nullptr) return E_FAIL;
    const auto position = static_cast<std::size_t>(m_nHandleReadPos);
    if (position >= m_Selection.PartnerHandle.size()) return E_FAIL;
    *out = m_Selection.PartnerHandle[position];
    ++m_nHandleReadPos;
    return S_OK;
}

HResult CSessionStore::GetSelectedExtraText(char* out) {
    Lock lock(m_cs);
    const CCallRecord* record = RecordAtCursor();
    if (record == nullptr) return E_FAIL;
    return CopyToCallerBuffer(out, record->ExtraText);
}

HResult CSessionStore::GetSelectedExtra1(int* value) {
    Lock lock(m_cs);
    const CCallRecord* record = RecordAtCursor();
    if (record == nullptr) return E_FAIL;
    return kestrava::StoreToCaller(value, record->Extra1);
}

HResult CSessionStore::GetSelectedExtra2(int* value) {
    Lock lock(m_cs);
    const CCallRecord* record = RecordAtCursor();
    if (record == nullptr) return E_FAIL;
    return kestrava::StoreToCaller(value, record->Extra2);
}

HResult CSessionStore::GetSelectedType(int* type) {
    Lock lock(m_cs);
    return kestrava::StoreToCaller(type, m_Selection.Type);
}

HResult CSessionStore::GetSelectedStatus(int* status) {
    Lock lock(m_cs);
    return kestrava::StoreToCaller(status, m_Selection.Status);
}

HResult CSessionStore::GetSelectedSeen(int* seen) {
    Lock lock(m_cs);
    return kestrava::StoreToCaller(seen, m_Selection.Seen);
}

// The preset tells the input worker which empty-list text to show.
HResult CSessionStore::PrepareSelection() {
    Lock lock(m_cs);
    m_Selection.PartnerName.clear();
    m_Selection.PartnerHandle.clear();
    m_Selection.Timestamp = 0;
    m_Selection.Duration = 0;
    m_strStartTime.clear();
    switch (m_nBrowseMode) {
        case kBrowseReceived:
            m_Selection.Type = 0;
            break;
        case kBrowseDialed:
            m_Selection.Type = 1;
            break;
        case kBrowseMissed:
            m_Selection.Status = kStatusMissed;
            m_Selection.Type = 0;
            break;
        default:
            break;
    }
    return S_OK;
}

HResult CSessionStore::ResetBrowse() {
    Lock lock(m_cs);
    m_nCursor = 0;
    m_nHandleReadPos = 0;
    m_nLastMatch = -1;
    m_Selection = Selection{};
    return S_OK;
}

HResult CSessionStore::SetBrowseMode(int mode) {
    Lock lock(m_cs);
    m_nBrowseMode = mode;
    return S_OK;
}

HResult CSessionStore::HasCursor() {
    Lock lock(m_cs);
    return m_nCursor == -1 ? E_FAIL : S_OK;
}

// Moves the cursor to the next record of the browse mode. The caller follows
// a success with RefreshSelection(id), which copies the record for display.
HResult CSessionStore::SelectNextCall(int backward, int skipCurrent, int* id) {
    Lock lock(m_cs);
    m_nBrowseDirection = backward;
    const int count = static_cast<int>(m_CallingLists.size());
    if (count == 0) return E_FAIL;
    if (m_nBrowseMode < kBrowseReceived || m_nBrowseMode > kBrowseMissed) {
        m_nHandleReadPos = 0;
        return E_FAIL;  // no filter, nothing selected
    }

    int match = -1;
    if (backward == 0) {
        if (m_nCursor < count - 1 && skipCurrent != 0) ++m_nCursor;
        // A cursor of -1 (nothing found yet) starts the scan at the front.
        for (int index = std::max(m_nCursor, 0); index < count; ++index) {
            m_nCursor = index;
            if (MatchesBrowseMode(*m_CallingLists[static_cast<std::size_t>(index)])) {
                match = index;
                break;
            }
        }
    } else if (m_nCursor > 0) {
        // After a reload the cursor may lie past the new end: scan from the end.
        for (int index = std::min(m_nCursor, count) - 1; index >= 0; --index) {
            m_nCursor = index;
            if (MatchesBrowseMode(*m_CallingLists[static_cast<std::size_t>(index)])) {
                match = index;
                break;
            }
        }
    }

    m_nHandleReadPos = 0;
    if (match < 0) {
        m_nCursor = m_nLastMatch;
        m_Selection.Timestamp = 0;
        m_Selection.Duration = 0;
        return E_FAIL;
    }
    m_nLastMatch = match;
    m_nCursor = match;
    const int selected = m_CallingLists[static_cast<std::size_t>(match)]->CallId;
    m_nSelectedCallId = selected;
    if (id != nullptr) *id = selected;
    return S_OK;
}

// Called after SelectNextCall and whenever a record's details arrive: only the
// record under the cursor, and only when it is still the selected call, is shown.
HResult CSessionStore::RefreshSelection(int id) {
    Lock lock(m_cs);
    const CCallRecord* record = RecordAtCursor();
    if (id != m_nSelectedCallId || record == nullptr || record->CallId != id) return S_OK;
    m_Selection.PartnerHandle = record->PartnerHandle;
    m_Selection.Type = record->Type;
    m_Selection.Status = record->Status;
    m_Selection.Seen = record->Seen;
    m_Selection.HasDetails = record->HasDetails;
    m_Selection.PartnerName = record->PartnerName;
    m_Selection.Timestamp = record->Timestamp;
    m_Selection.Duration = record->Duration;
    FormatSelectedTimes();
    return S_OK;
}

// ---- display texts --------------------------------------------------------

HResult CSessionStore::FormatSelectedTimes() {
    Lock lock(m_cs);
    m_strStartTime.clear();
    m_nStartTimeReadPos = 0;
    std::tm local{};
    if (m_Selection.Timestamp == 0 || !ToLocalTime(m_Selection.Timestamp, &local)) return E_FAIL;
    m_strStartTime = StartTimeText(local);
    if (m_strStartTime.empty()) return E_FAIL;  // not shown, as a time that cannot be converted
    m_nDurationReadPos = 0;
    if (m_Selection.Duration == 0) {
        m_strDuration.clear();
        return E_FAIL;
    }
    m_strDuration = DurationText(m_Selection.Duration);
    return S_OK;
}

HResult CSessionStore::FormatClock() {
    Lock lock(m_cs);
    const auto now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    char text[32] = "";
    if (ToLocalTime(static_cast<CallTime>(now), &local)) {
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", local.tm_hour, local.tm_min,
                      local.tm_sec);
    }
    m_strClock = text;
    m_nClockReadPos = 0;
    return m_strClock.empty() ? E_FAIL : S_OK;
}

HResult CSessionStore::FormatDuration(int seconds) {
    Lock lock(m_cs);
    m_strDuration = DurationText(seconds);
    m_nDurationReadPos = 0;
    return S_OK;
}

HResult CSessionStore::ReadStartTimeChar(char* out) {
    Lock lock(m_cs);
    return ReadCharCycling(m_strStartTime, m_nStartTimeReadPos, out);
}

HResult CSessionStore::ReadClockChar(char* out) {
    Lock lock(m_cs);
    return ReadCharCycling(m_strClock, m_nClockReadPos, out);
}

HResult CSessionStore::ReadDurationChar(char* out) {
    Lock lock(m_cs);
    return ReadCharCycling(m_strDuration, m_nDurationReadPos, out);
}

HResult CSessionStore::RewindSelectedHandle() {
    Lock lock(m_cs);
    m_nHandleReadPos = 0;
    return S_OK;
}

HResult CSessionStore::RewindStartTime() {
    Lock lock(m_cs);
    m_nStartTimeReadPos = 0;
    return S_OK;
}

HResult CSessionStore::RewindDuration() {
    Lock lock(m_cs);
    m_nDurationReadPos = 0;
    return S_OK;
}

// ---- redial list ------------------------------------------------------------

// Sends the dialed calls to the contact action dialog, newest first, each
// partner handle once. The entries go out synchronously while the lock is
// held, so the dialog reads records that no other thread can change or free
// meanwhile; in exchange it must not call back into the store from another
// thread while it handles an entry.
HResult CSessionStore::PostRecentDialedCalls() {
    Lock lock(m_cs);
    if (m_pContactActions == nullptr) return E_FAIL;
    try {
        std::unordered_set<std::string> dialed;
        int posted = 0;
        for (const auto& record : m_CallingLists) {
            if (posted >= kMaxPostedDialedCalls) break;
            if (!IsDialed(record->Type)) continue;
            // A call whose handle has not arrived yet cannot be redialed.
            if (record->PartnerHandle.empty()) continue;
            if (!dialed.insert(record->PartnerHandle).second) continue;
            m_pContactActions->AddCallEntry(*record);
            ++posted;
        }
    } catch (const std::bad_alloc&) {
        return E_FAIL;
    }
    return S_OK;
}
