// The user's Skype contacts for the handset, in display order: reachable
// contacts first, each group sorted by display name. Beside them: the current
// call partner's handle and name as the protocol engine last reported them,
// and the account balance. The notification parser fills it; the handset
// threads browse it one contact at a time; the contact action dialog receives
// its entries through ContactActionSink.
//
// Every operation takes the one re-entrant lock for its whole run. Results are
// S_OK or E_FAIL (AddContact inverts them, see there); text getters write into
// caller buffers of kTextBufferSize bytes.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "ResultCodes.h"
#include "session/CUserEntry.h"

class ContactActionSink;
class SkypeLink;

class CListManager {
  public:
    static constexpr std::size_t kTextBufferSize = 255;
    static constexpr int kReachable = 3;
    static constexpr int kUnreachable = 0;

    // `link` queues the display name requests of LoadContacts; `contactActions`
    // receives PostAllContacts / PostReachableContacts. Either may be null.
    explicit CListManager(SkypeLink* link = nullptr, ContactActionSink* contactActions = nullptr);
    CListManager(const CListManager&) = delete;
    CListManager& operator=(const CListManager&) = delete;

    // Outside the table: the shell wires the dialog when it has one.
    void SetContactActionSink(ContactActionSink* contactActions);
    // Outside the table: a transfer stopped inside a handle rewinds it, so the
    // next read starts at its first character.
    HResult RewindSelectedContactHandle();
    HResult RewindCallerHandle();

    // The table of operations; its order is fixed.
    virtual HResult AppendContact(const char* handle, int status);                     // 0
    virtual HResult AddContact(const char* handle, int status);                        // 1
    virtual HResult RemoveContact(const char* handle);                                 // 2
    virtual HResult ClearContacts();                                                   // 3
    virtual HResult SetContactStatus(const char* handle, int status);                  // 4
    virtual HResult GetSelectedContactStatus(int* status);                             // 5
    virtual HResult ResetContactCursor();                                              // 6
    virtual HResult GetContactCount(int* count);                                       // 7
    virtual HResult GetContactAt(int index, char* handle, int* status);                // 8
    virtual HResult SetCallerHandle(const char* text);                                 // 9
    virtual HResult ReadCallerHandleChar(char* out);                                   // 10
    virtual HResult SetCallerName(const char* text);                                   // 11
    virtual HResult GetCallerName(char* out);                                          // 12
    virtual HResult ReadSelectedContactHandleChar(char* out);                          // 13
    virtual HResult SetBrowseAllContacts(int flag);                                    // 14
    virtual HResult GetSelectedContactHandle(char* out);                               // 15
    virtual HResult SelectNextContact(int backward, int skipCurrent);                  // 16
    virtual HResult SetContactName(const char* handle, const char* text, int length);  // 17
    virtual HResult GetSelectedContactName(char* out);                                 // 18
    virtual HResult LoadContacts(const char* text);                                    // 19
    virtual HResult ResortByStatus(int index, int status);                             // 20
    virtual HResult ResortByName(int index);                                           // 21
    virtual HResult ResortByHandle(int index);                                         // 22
    virtual HResult SetBalance(int amount);                                            // 23
    virtual HResult GetBalance(int* amount);                                           // 24
    virtual HResult PostAllContacts();                                                 // 25
    virtual HResult PostReachableContacts();                                           // 26
    virtual HResult Nop();                                                             // 27
    virtual ~CListManager();                                                           // 28

  private:
    using Lock = std::lock_guard<std::recursive_mutex>;

    // The order of names, as the resort walks compare them.
    struct NameOrder {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    // What the resort walks read of the entry at each display position,
    // side by side with m_SortOrder: the rank of its sort key (ranks order
    // as the keys do, equal keys share one) and its status. The walks then
    // run over one small array instead of comparing names entry by entry.
    struct DisplayKey {
        std::uint64_t rank;
        int status;
    };

    std::uint64_t RankOf(const std::string& key);
    void RenumberRanks();

    CUserEntry* FindEntry(const char* handle) const;
    int SortPosition(int index) const;
    const CUserEntry& EntryAt(int position) const;
    void MoveInSortOrder(int from, int to);
    void SelectAt(int position);
    void KeepCursorInList();
    HResult PostContacts(bool reachableOnly);

    int m_nCursor = 0;
    int m_nLastMatch = 0;
    int m_nBalance = 0;
    int m_nCallerHandleReadPos = 0;
    std::string m_strCallerHandle;
    std::string m_strCallerName;
    int m_nSelectedHandleReadPos = 0;
    std::string m_strSelectedHandle;
    char m_szSelectedName[kTextBufferSize] = {};
    int m_nSelectedStatus = 0;
    int m_nBrowseDirection = 0;
    int m_bBrowseAll = 0;
    std::string m_strUserListText;
    std::deque<std::unique_ptr<CUserEntry>> m_UserLists;
    std::vector<int> m_SortOrder;
    // Handle lookups without a walk over every entry: upper-cased handle ->
    // the entries with it (AppendContact allows a handle twice).
    std::unordered_multimap<std::string, CUserEntry*> m_HandleIndex;
    std::vector<DisplayKey> m_DisplayKeys;
    // Every sort key met since the last clear, with its rank.
    std::map<std::string, std::uint64_t, NameOrder> m_NameRanks;
    SkypeLink* m_pLink = nullptr;
    ContactActionSink* m_pContactActions = nullptr;
    mutable std::recursive_mutex m_cs;
};
