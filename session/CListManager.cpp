#include "session/CListManager.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/NameText.h"
#include "protocol/CommandKeys.h"
#include "protocol/LineWords.h"
#include "protocol/SkypeLink.h"
#include "session/ContactActionSink.h"
#include "session/SessionText.h"

using kestrava::CompareUpperCaseNames;
using kestrava::CopyToCallerBuffer;
using kestrava::ItemsOfListReply;
using kestrava::ReadCharCycling;
using kestrava::SameHandle;
using kestrava::UpperCaseName;

namespace {

bool IsReachable(const CUserEntry& entry) {
    return entry.m_nStatus == CListManager::kReachable;
}

// Texts set from a plain zero-terminated string are cut like the names.
HResult SetText(std::string& field, const char* text) {
    if (text == nullptr) return E_FAIL;
    return kestrava::AssignCutText(field, text, static_cast<int>(kestrava::kMaxTextLength))
               ? S_OK
               : E_FAIL;
}

}  // namespace

CListManager::CListManager(SkypeLink* link, ContactActionSink* contactActions)
    : m_pLink(link), m_pContactActions(contactActions) {}

CListManager::~CListManager() {
    Lock lock(m_cs);
    ClearContacts();
    m_strCallerHandle.clear();
    m_strCallerName.clear();
    m_strSelectedHandle.clear();
    m_strUserListText.clear();
}

void CListManager::SetContactActionSink(ContactActionSink* contactActions) {
    Lock lock(m_cs);
    m_pContactActions = contactActions;
}

// ---- helpers (called with the lock held) ----------------------------------

// The first entry, in m_UserLists order, whose handle matches ignoring case.
// The index is keyed by the upper-cased handle; SameHandle has the last word.
CUserEntry* CListManager::FindEntry(const char* handle) const {
    if (handle == nullptr) return nullptr;
    const std::string wanted(handle);
    CUserEntry* found = nullptr;
    const auto [begin, end] = m_HandleIndex.equal_range(UpperCaseName(wanted));
    for (auto it = begin; it != end; ++it) {
        CUserEntry* entry = it->second;
        if (!SameHandle(entry->m_strHandle, wanted)) continue;
        if (found == nullptr || entry->m_nIndex < found->m_nIndex) found = entry;
    }
    return found;
}

int CListManager::SortPosition(int index) const {
    const auto it = std::find(m_SortOrder.begin(), m_SortOrder.end(), index);
    return it == m_SortOrder.end() ? -1 : static_cast<int>(it - m_SortOrder.begin());
}

const CUserEntry& CListManager::EntryAt(int position) const {
    return *m_UserLists[static_cast<std::size_t>(m_SortOrder[static_cast<std::size_t>(position)])];
}

// Takes the element at `from` out and puts it back at `to` (a position in
// the order after taking it out); the elements between shift by one.
void CListManager::MoveInSortOrder(int from, int to) {
    const auto move = [from, to](auto& order) {
        const auto at = [&order](int position) { return order.begin() + position; };
        if (from < to) {
            std::rotate(at(from), at(from + 1), at(to + 1));
        } else if (to < from) {
            std::rotate(at(to), at(from), at(from + 1));
        }
    };
    move(m_SortOrder);
    move(m_DisplayKeys);
}

// Copies the contact at `position` of the display order: the selection stays
// readable whatever later happens to the entry.
void CListManager::SelectAt(int position) {
    const CUserEntry& entry = EntryAt(position);
    m_nLastMatch = position;
    m_strSelectedHandle = entry.m_strHandle;
    std::memset(m_szSelectedName, 0, sizeof m_szSelectedName);
    std::memcpy(m_szSelectedName, entry.m_Name.data(),
                std::min(entry.m_Name.size(), sizeof m_szSelectedName - 1));
    m_nSelectedStatus = entry.m_nStatus;
    m_nSelectedHandleReadPos = 0;
}

// The cursor and the last match always name a position of the list (0 when
// it is empty), whatever removals and clears happened under a browse.
void CListManager::KeepCursorInList() {
    const int last = std::max(static_cast<int>(m_SortOrder.size()) - 1, 0);
    m_nCursor = std::clamp(m_nCursor, 0, last);
    m_nLastMatch = std::clamp(m_nLastMatch, 0, last);
}

bool CListManager::NameOrder::operator()(const std::string& a, const std::string& b) const {
    return CompareUpperCaseNames(a, b) < 0;
}

// Ranks leave room between neighbours: a new key takes the middle of its gap,
// or a step past the last (first) key; when a gap is used up every key is
// numbered afresh. May throw std::bad_alloc (a new key), before anything else
// has changed.
std::uint64_t CListManager::RankOf(const std::string& key) {
    constexpr std::uint64_t kStep = std::uint64_t{1} << 32;
    constexpr std::uint64_t kTop = ~std::uint64_t{0};
    auto next = m_NameRanks.lower_bound(key);
    if (next != m_NameRanks.end() && !NameOrder{}(key, next->first)) return next->second;
    const bool hasNext = next != m_NameRanks.end();
    const bool hasPrev = next != m_NameRanks.begin();
    const std::uint64_t low = hasPrev ? std::prev(next)->second : 0;
    const std::uint64_t high = hasNext ? next->second : kTop;
    std::uint64_t rank = 0;
    if (!hasPrev && !hasNext) {
        rank = std::uint64_t{1} << 63;
    } else if (!hasNext && high - low > kStep) {
        rank = low + kStep;
    } else if (!hasPrev && high - low > kStep) {
        rank = high - kStep;
    } else if (high - low >= 2) {
        rank = low + (high - low) / 2;
    }
    const auto added = m_NameRanks.emplace_hint(next, key, rank);
    if (rank == 0) {
        RenumberRanks();
        return added->second;
    }
    return rank;
}

void CListManager::RenumberRanks() {
    std::uint64_t rank = 0;
    for (auto& [key, value] : m_NameRanks) value = rank += std::uint64_t{1} << 32;
    for (std::size_t p = 0; p < m_SortOrder.size(); ++p) {
        m_DisplayKeys[p].rank = m_NameRanks.find(EntryAt(static_cast<int>(p)).m_strSortKey)->second;
    }
}

// ---- the contacts -------------------------------------------------------------

HResult CListManager::AppendContact(const char* handle, int status) {
    Lock lock(m_cs);
    if (handle == nullptr) return E_FAIL;
    try {
        const int index = static_cast<int>(m_UserLists.size());
        auto entry = std::make_unique<CUserEntry>(index, handle, status);
        std::string key = UpperCaseName(entry->m_strHandle);
        const DisplayKey display{RankOf(entry->m_strSortKey), status};
        // Room first, so that once the list has grown nothing can fail and
        // the containers always agree.
        const auto makeRoom = [](auto& order) {
            if (order.size() == order.capacity()) order.reserve(order.size() * 2 + 16);
        };
        makeRoom(m_SortOrder);
        makeRoom(m_DisplayKeys);
        const auto slot = m_HandleIndex.emplace(std::move(key), entry.get());
        try {
            m_UserLists.push_back(std::move(entry));
        } catch (const std::bad_alloc&) {
            m_HandleIndex.erase(slot);
            throw;
        }
        m_SortOrder.push_back(index);
        m_DisplayKeys.push_back(display);
    } catch (const std::bad_alloc&) {
        return E_FAIL;
    }
    return S_OK;
}

// The result is inverted: S_OK means that nothing changed (the handle is
// known, or there is none), E_FAIL that the contact was added. LoadContacts
// and the notification parser rely on it.
HResult CListManager::AddContact(const char* handle, int status) {
    Lock lock(m_cs);
    if (handle == nullptr || FindEntry(handle) != nullptr) return S_OK;
    return Succeeded(AppendContact(handle, status)) ? E_FAIL : S_OK;
}

// Indexes stay dense: everything above the removed index moves down by one,
// in the entries and in the display order alike.
HResult CListManager::RemoveContact(const char* handle) {
    Lock lock(m_cs);
    CUserEntry* entry = FindEntry(handle);
    if (entry == nullptr) return S_OK;
    const int removed = entry->m_nIndex;
    const auto [begin, end] = m_HandleIndex.equal_range(UpperCaseName(entry->m_strHandle));
    for (auto it = begin; it != end; ++it) {
        if (it->second == entry) {
            m_HandleIndex.erase(it);
            break;
        }
    }
    const int position = SortPosition(removed);
    m_UserLists.erase(m_UserLists.begin() + removed);  // frees the entry
    if (position >= 0) {
        m_SortOrder.erase(m_SortOrder.begin() + position);
        m_DisplayKeys.erase(m_DisplayKeys.begin() + position);
    }
    for (auto& other : m_UserLists) {
        if (other->m_nIndex > removed) --other->m_nIndex;
    }
    for (int& index : m_SortOrder) {
        if (index > removed) --index;
    }
    // A removal in front of the cursor (or of the last match) shifts it back,
    // so it stays on the contact it was on; past the new end it is clamped.
    if (position >= 0 && position < m_nCursor) --m_nCursor;
    if (position >= 0 && position < m_nLastMatch) --m_nLastMatch;
    KeepCursorInList();
    return S_OK;
}

// The browse starts again at the front; the last selection stays readable
// (it is a copy), as it does when a step finds nothing.
HResult CListManager::ClearContacts() {
    Lock lock(m_cs);
    m_UserLists.clear();
    m_SortOrder.clear();
    m_DisplayKeys.clear();
    m_HandleIndex.clear();
    m_NameRanks.clear();
    m_nCursor = 0;
    m_nLastMatch = 0;
    return S_OK;
}

HResult CListManager::SetContactStatus(const char* handle, int status) {
    Lock lock(m_cs);
    CUserEntry* entry = FindEntry(handle);
    if (entry == nullptr) return E_FAIL;
    if (entry->m_nStatus != status) {
        const int position = SortPosition(entry->m_nIndex);
        if (position < 0) return E_FAIL;
        entry->m_nStatus = status;
        m_DisplayKeys[static_cast<std::size_t>(position)].status = status;
        ResortByStatus(entry->m_nIndex, status);
    }
    return S_OK;
}

HResult CListManager::SetContactName(const char* handle, const char* text, int length) {
    Lock lock(m_cs);
    CUserEntry* entry = FindEntry(handle);
    if (entry == nullptr || text == nullptr) return E_FAIL;
    const int position = SortPosition(entry->m_nIndex);
    if (position < 0) return E_FAIL;
    // The name, its sort key and the key's rank change together; the walks
    // read the rank only.
    std::string name;
    if (!kestrava::AssignCutText(name, text, length)) return E_FAIL;
    try {
        std::string key = UpperCaseName(name);
        const std::uint64_t rank = RankOf(key);
        entry->m_Name = std::move(name);
        entry->m_strSortKey = std::move(key);
        m_DisplayKeys[static_cast<std::size_t>(position)].rank = rank;
    } catch (const std::bad_alloc&) {
        return E_FAIL;
    }
    ResortByName(entry->m_nIndex);
    return S_OK;
}

HResult CListManager::GetContactCount(int* count) {
    Lock lock(m_cs);
    return kestrava::StoreToCaller(count, static_cast<int>(m_UserLists.size()));
}

HResult CListManager::GetContactAt(int index, char* handle, int* status) {
    Lock lock(m_cs);
    if (index < 0 || static_cast<std::size_t>(index) >= m_UserLists.size()) return E_FAIL;
    if (handle == nullptr || status == nullptr) return E_FAIL;
    const CUserEntry& entry = *m_UserLists[static_cast<std::size_t>(index)];
    *status = entry.m_nStatus;
    return CopyToCallerBuffer(handle, entry.m_strHandle);
}

// The reply to the contact search: "USERS handle, handle, ...". Every handle
// that is new is asked for its display name; the new entries wait at the end
// of the display order, in the reply's order, until their name or status
// arrives. The requests are queued while the lock is held: the link only
// queues them for its sender thread and never calls back.
HResult CListManager::LoadContacts(const char* text) {
    Lock lock(m_cs);
    if (text == nullptr) return E_FAIL;
    try {
        m_strUserListText = text;
        std::string token;
        for (std::string_view item : ItemsOfListReply(m_strUserListText)) {
            token.assign(item);
            const bool added = !Succeeded(AddContact(token.c_str(), kUnreachable));
            if (added && m_pLink != nullptr) {
                m_pLink->QueueBulkCommand(KEY_SKYPE_GET_USER_DISPLAYNAME, token.c_str(), 0);
            }
        }
    } catch (const std::bad_alloc&) {
        return E_FAIL;
    }
    return S_OK;
}

// ---- display order --------------------------------------------------------

// Moves the entry after a status change: a contact that became reachable goes
// towards the front past every unreachable contact and every reachable one
// whose name is not smaller; any other status sends it towards the back past
// every reachable contact and every unreachable one whose name is smaller.
HResult CListManager::ResortByStatus(int index, int status) {
    Lock lock(m_cs);
    const int p = SortPosition(index);
    if (p < 0) return E_FAIL;
    const std::uint64_t rank = m_DisplayKeys[static_cast<std::size_t>(p)].rank;
    int count = 0;
    if (status == kReachable) {
        for (int q = p - 1; q >= 0; --q) {
            const DisplayKey& other = m_DisplayKeys[static_cast<std::size_t>(q)];
            if (other.status == kReachable && other.rank < rank) break;
            ++count;
        }
        MoveInSortOrder(p, p - count);
    } else {
        const int size = static_cast<int>(m_SortOrder.size());
        for (int q = p + 1; q < size; ++q) {
            const DisplayKey& other = m_DisplayKeys[static_cast<std::size_t>(q)];
            if (other.status != kReachable && other.rank >= rank) break;
            ++count;
        }
        MoveInSortOrder(p, p + count);
    }
    return S_OK;
}

// A name only moves its entry towards the front, whatever the statuses: past
// every greater name up to the first smaller one. Equal names are passed but
// not counted, so the entry lands behind the greater names it passed.
HResult CListManager::ResortByName(int index) {
    Lock lock(m_cs);
    const int p = SortPosition(index);
    if (p < 0) return E_FAIL;
    const std::uint64_t rank = m_DisplayKeys[static_cast<std::size_t>(p)].rank;
    int count = 0;
    for (int q = p - 1; q >= 0; --q) {
        const std::uint64_t other = m_DisplayKeys[static_cast<std::size_t>(q)].rank;
        if (other < rank) break;
        if (other > rank) ++count;
    }
    MoveInSortOrder(p, p - count);
    return S_OK;
}

// The same walk over the handles as plain, case-sensitive byte strings; an
// empty handle counts as greater.
HResult CListManager::ResortByHandle(int index) {
    Lock lock(m_cs);
    const int p = SortPosition(index);
    if (p < 0) return E_FAIL;
    const std::string& handle = EntryAt(p).m_strHandle;
    int count = 0;
    for (int q = p - 1; q >= 0; --q) {
        const std::string& other = EntryAt(q).m_strHandle;
        if (other.empty()) {
            ++count;
            continue;
        }
        const int order = other.compare(handle);
        if (order < 0) break;
        if (order > 0) ++count;
    }
    MoveInSortOrder(p, p - count);
    return S_OK;
}

// ---- browsing -----------------------------------------------------------------

HResult CListManager::ResetContactCursor() {
    Lock lock(m_cs);
    m_nCursor = 0;
    m_nSelectedHandleReadPos = 0;
    return S_OK;
}

HResult CListManager::SetBrowseAllContacts(int flag) {
    Lock lock(m_cs);
    m_bBrowseAll = flag;
    return S_OK;
}

// One step of the handset's browse through the display order. Browsing all
// contacts always selects the one at the cursor; otherwise only reachable
// contacts are selected, and a step that finds none puts the cursor back on
// the last match and fails, leaving the previous selection as it was.
HResult CListManager::SelectNextContact(int backward, int skipCurrent) {
    Lock lock(m_cs);
    m_nBrowseDirection = backward;
    KeepCursorInList();
    const int count = static_cast<int>(m_SortOrder.size());
    if (count == 0) return E_FAIL;

    if (m_bBrowseAll != 0) {
        if (backward != 0) {
            if (m_nCursor > 0) --m_nCursor;
        } else if (m_nCursor < count - 1 && skipCurrent != 0) {
            ++m_nCursor;
        }
        SelectAt(m_nCursor);
        return S_OK;
    }

    if (backward == 0) {
        if (m_nCursor < count - 1 && skipCurrent != 0) ++m_nCursor;
        for (int q = m_nCursor; q < count; ++q) {
            m_nCursor = q;
            if (IsReachable(EntryAt(q))) {
                SelectAt(q);
                return S_OK;
            }
        }
    } else {
        for (int q = m_nCursor - 1; q >= 0; --q) {
            m_nCursor = q;
            if (IsReachable(EntryAt(q))) {
                SelectAt(q);
                return S_OK;
            }
        }
    }
    m_nCursor = m_nLastMatch;
    m_nSelectedHandleReadPos = 0;
    return E_FAIL;
}

HResult CListManager::GetSelectedContactStatus(int* status) {
    Lock lock(m_cs);
    return kestrava::StoreToCaller(status, m_nSelectedStatus);
}

HResult CListManager::GetSelectedContactHandle(char* out) {
    Lock lock(m_cs);
    return CopyToCallerBuffer(out, m_strSelectedHandle);
}

HResult CListManager::GetSelectedContactName(char* out) {
    Lock lock(m_cs);
    if (m_szSelectedName[0] == '\0') return E_FAIL;
    return CopyToCallerBuffer(out, m_szSelectedName);
}

HResult CListManager::ReadSelectedContactHandleChar(char* out) {
    Lock lock(m_cs);
    return ReadCharCycling(m_strSelectedHandle, m_nSelectedHandleReadPos, out);
}

HResult CListManager::RewindSelectedContactHandle() {
    Lock lock(m_cs);
    m_nSelectedHandleReadPos = 0;
    return S_OK;
}

// ---- the current call's partner, the balance ------------------------------

HResult CListManager::SetCallerHandle(const char* text) {
    Lock lock(m_cs);
    if (!Succeeded(SetText(m_strCallerHandle, text))) return E_FAIL;
    m_nCallerHandleReadPos = 0;
    return S_OK;
}

HResult CListManager::ReadCallerHandleChar(char* out) {
    Lock lock(m_cs);
    return ReadCharCycling(m_strCallerHandle, m_nCallerHandleReadPos, out);
}

HResult CListManager::RewindCallerHandle() {
    Lock lock(m_cs);
    m_nCallerHandleReadPos = 0;
    return S_OK;
}

HResult CListManager::SetCallerName(const char* text) {
    Lock lock(m_cs);
    return SetText(m_strCallerName, text);
}

HResult CListManager::GetCallerName(char* out) {
    Lock lock(m_cs);
    if (m_strCallerName.empty()) return E_FAIL;
    return CopyToCallerBuffer(out, m_strCallerName);
}

HResult CListManager::SetBalance(int amount) {
    Lock lock(m_cs);
    m_nBalance = amount;
    return S_OK;
}

HResult CListManager::GetBalance(int* amount) {
    Lock lock(m_cs);
    return kestrava::StoreToCaller(amount, m_nBalance);
}

// ---- the contact action dialog --------------------------------------------

// The entries go to the dialog synchronously while the lock is held, so no
// other thread can change or free an entry while the dialog reads it; in
// exchange the dialog keeps no reference and must not call back into the list
// from another thread while it takes an entry (that would deadlock).
HResult CListManager::PostContacts(bool reachableOnly) {
    Lock lock(m_cs);
    if (m_pContactActions == nullptr) return E_FAIL;
    for (const auto& entry : m_UserLists) {
        if (!reachableOnly || IsReachable(*entry)) m_pContactActions->AddContactEntry(*entry);
    }
    return S_OK;
}

HResult CListManager::PostAllContacts() {
    return PostContacts(false);
}

HResult CListManager::PostReachableContacts() {
    return PostContacts(true);
}

HResult CListManager::Nop() {
    Lock lock(m_cs);
    return S_OK;
}
