// The state of calls: the call going on now (current call), a call that
// arrives or is placed while it lasts (second call), and the call history
// that the handset browses as received, dialed and missed calls. The
// notification parser writes it; the handset threads read it. It also makes
// the three texts the handset shows for a call (start time, duration, clock)
// and hands them out whole or one character at a time.
//
// Every operation takes the one re-entrant lock for its whole run, so any
// thread may call any operation. Operations return S_OK or E_FAIL; text
// getters write into caller buffers of kTextBufferSize bytes.
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

#include "ResultCodes.h"
#include "session/CCallRecord.h"

class ContactActionSink;

class CSessionStore {
  public:
    static constexpr std::size_t kTextBufferSize = CCallRecord::kMaxTextLength + 1;

    // Browse modes.
    static constexpr int kBrowseReceived = 0;
    static constexpr int kBrowseDialed = 1;
    static constexpr int kBrowseMissed = 2;

    static constexpr int kStatusMissed = 5;
    // Most entries PostRecentDialedCalls sends: it stops once more than 20
    // have gone, so the redial list holds up to 21 handles.
    static constexpr int kMaxPostedDialedCalls = 21;

    // `contactActions` may be null until the contact action dialog exists.
    explicit CSessionStore(ContactActionSink* contactActions = nullptr);
    CSessionStore(const CSessionStore&) = delete;
    CSessionStore& operator=(const CSessionStore&) = delete;

    // Outside the table: the shell wires the dialog when it has one.
    void SetContactActionSink(ContactActionSink* contactActions);
    // Outside the table: the current and the second call's ids and statuses
    // as one snapshot (the parser may end or promote a call meanwhile).
    HResult GetBothCalls(int* currentId, int* currentStatus, int* secondId, int* secondStatus);
    // Outside the table: the end of the current call as one operation: its
    // timestamp is set, it goes to the history and is reset; a second call
    // takes its place (promoted, then reset in its own slot).
    HResult CloseCurrentCall(CallTime timestamp);
    // Outside the table: a transfer stopped inside a text rewinds it, so the
    // next read starts at its first character.
    HResult RewindSelectedHandle();
    HResult RewindStartTime();
    HResult RewindDuration();

    // The table of operations; its order is fixed.
    virtual HResult GetCallIdAt(int index, int* id);                             // 0
    virtual HResult AddCall(int id, int atFront);                                // 1
    virtual HResult GetCallCount(int* count);                                    // 2
    virtual HResult ClearCalls();                                                // 3
    virtual HResult SetCallPartnerName(int id, const char* text, int length);    // 4
    virtual HResult GetSelectedPartnerName(char* out);                           // 5
    virtual HResult PrepareSelection();                                          // 6
    virtual HResult SetCallExtraText(int id, const char* text, int length);      // 7
    virtual HResult GetSelectedExtraText(char* out);                             // 8
    virtual HResult SetCallPartnerHandle(int id, const char* text, int length);  // 9
    virtual HResult ReadSelectedHandleChar(char* out);                           // 10
    virtual HResult GetSelectedPartnerHandle(char* out);                         // 11
    virtual HResult SetCallType(int id, int type);                               // 12
    virtual HResult GetSelectedType(int* type);                                  // 13
    virtual HResult SetCallStatus(int id, int status);                           // 14
    virtual HResult GetSelectedStatus(int* status);                              // 15
    virtual HResult SetCallHasDetails(int id, int flag);                         // 16
    virtual HResult GetCallHasDetails(int id, int* flag);                        // 17
    virtual HResult SetCallSeen(int id, int seen);                               // 18
    virtual HResult GetSelectedSeen(int* seen);                                  // 19
    virtual HResult SetCallExtra1(int id, int value);                            // 20
    virtual HResult GetSelectedExtra1(int* value);                               // 21
    virtual HResult SetCallExtra2(int id, int value);                            // 22
    virtual HResult GetSelectedExtra2(int* value);                               // 23
    virtual HResult SetCallDuration(int id, int seconds);                        // 24
    virtual HResult SetCallTimestamp(int id, CallTime time);                     // 25
    virtual HResult FormatSelectedTimes();                                       // 26
    virtual HResult FormatClock();                                               // 27
    virtual HResult ReadStartTimeChar(char* out);                                // 28
    virtual HResult ReadClockChar(char* out);                                    // 29
    virtual HResult ReadDurationChar(char* out);                                 // 30
    virtual HResult ResetBrowse();                                               // 31
    virtual HResult SetBrowseMode(int mode);                                     // 32
    virtual HResult RefreshSelection(int id);                                    // 33
    virtual HResult SelectNextCall(int backward, int skipCurrent, int* id);      // 34
    virtual HResult HasCursor();                                                 // 35
    virtual HResult FormatDuration(int seconds);                                 // 36

    virtual HResult SetCurrentCallId(int id);                                   // 37
    virtual HResult GetCurrentCallId(int* id);                                  // 38
    virtual HResult ResetCurrentCall();                                         // 39
    virtual HResult SetCurrentCallStatus(int status);                           // 40
    virtual HResult GetCurrentCallStatus(int* status);                          // 41
    virtual HResult SetCurrentCallPartnerName(const char* text, int length);    // 42
    virtual HResult GetCurrentCallPartnerName(char* out);                       // 43
    virtual HResult SetCurrentCallExtraText(const char* text, int length);      // 44
    virtual HResult GetCurrentCallExtraText(char* out);                         // 45
    virtual HResult SetCurrentCallPartnerHandle(const char* text, int length);  // 46
    virtual HResult GetCurrentCallPartnerHandle(char* out);                     // 47
    virtual HResult SetCurrentCallType(int type);                               // 48
    virtual HResult GetCurrentCallType(int* type);                              // 49
    virtual HResult SetCurrentCallSeen(int seen);                               // 50
    virtual HResult GetCurrentCallSeen(int* seen);                              // 51
    virtual HResult ArchiveCurrentCall();                                       // 52
    virtual HResult SetCurrentCallTimestamp(CallTime time);                     // 53
    virtual HResult SetCurrentCallDuration(int seconds);                        // 54
    virtual HResult GetCurrentCallDuration(int* seconds);                       // 55

    virtual HResult SetSecondCallId(int id);                                   // 56
    virtual HResult GetSecondCallId(int* id);                                  // 57
    virtual HResult ResetSecondCall();                                         // 58
    virtual HResult PromoteSecondCall();                                       // 59
    virtual HResult SetSecondCallStatus(int status);                           // 60
    virtual HResult GetSecondCallStatus(int* status);                          // 61
    virtual HResult SetSecondCallPartnerName(const char* text, int length);    // 62
    virtual HResult GetSecondCallPartnerName(char* out);                       // 63
    virtual HResult SetSecondCallExtraText(const char* text, int length);      // 64
    virtual HResult GetSecondCallExtraText(char* out);                         // 65
    virtual HResult SetSecondCallPartnerHandle(const char* text, int length);  // 66
    virtual HResult GetSecondCallPartnerHandle(char* out);                     // 67
    virtual HResult SetSecondCallType(int type);                               // 68
    virtual HResult GetSecondCallType(int* type);                              // 69
    virtual HResult SetSecondCallSeen(int seen);                               // 70
    virtual HResult GetSecondCallSeen(int* seen);                              // 71
    virtual HResult ArchiveSecondCall();                                       // 72
    virtual HResult SetSecondCallTimestamp(CallTime time);                     // 73
    virtual HResult SetSecondCallDuration(int seconds);                        // 74
    virtual HResult GetSecondCallDuration(int* seconds);                       // 75

    virtual HResult CountUnseenMissedCalls(int* count);  // 76
    virtual HResult HasCall(int id);                     // 77
    virtual HResult PostRecentDialedCalls();             // 78
    virtual ~CSessionStore();                            // 79

    // The same without a timestamp: a call that ended goes to the history
    // before Skype's last reply about it (which then completes the record).
    HResult RetireCurrentCall();
    // The status of a history record; E_FAIL when the history has no such call.
    HResult GetCallStatus(int id, int* status);

    // The history as a call search lists it, keeping what is known: a listed
    // call keeps its record, a call the history lacks gets an empty one, a
    // record no longer listed leaves, and the records take the listed order
    // (a repeated id counts once). The browse cursor stays on its record
    // while that is listed, and starts again otherwise.
    struct HistoryMatch {
        std::vector<int> added;         // listed, new to the history
        std::vector<int> unseenMissed;  // kept, and their seen flag can still change
    };
    HistoryMatch MatchCalls(const std::vector<int>& listed);

  private:
    // What the handset shows for the browsed call: a copy taken by
    // RefreshSelection, so the display does not change under a reload.
    struct Selection {
        int Type = -1;
        int Status = -1;
        int Seen = 0;
        int HasDetails = 0;
        std::string PartnerHandle;
        std::string PartnerName;
        CallTime Timestamp = 0;
        int Duration = 0;
    };

    using Lock = std::lock_guard<std::recursive_mutex>;

    CCallRecord* FindCall(int id);
    template <typename Field>
    HResult SetById(int id, Field CCallRecord::*field, Field value);
    CCallRecord* RecordAtCursor();
    bool MatchesBrowseMode(const CCallRecord& record) const;

    // The current and the second call share one implementation over their slot.
    using CallSlot = std::unique_ptr<CCallRecord>;
    template <typename Field>
    HResult SetInCall(CallSlot& slot, Field CCallRecord::*field, std::type_identity_t<Field> value);
    template <typename Field>
    HResult GetFromCall(CallSlot& slot, Field CCallRecord::*field, Field* out);
    HResult SetCallText(CallSlot& slot, std::string CCallRecord::*field, const char* text,
                        int length);
    HResult GetCallText(CallSlot& slot, std::string CCallRecord::*field, char* out);
    HResult SetCallPartnerNameOf(CallSlot& slot, const char* text, int length);
    HResult ResetCall(CallSlot& slot, bool withTimes);
    HResult ArchiveCall(CallSlot& slot, bool withDuration);

    int m_nCursor = 0;
    int m_nLastMatch = -1;
    int m_nStartTimeReadPos = 0;
    int m_nDurationReadPos = 0;
    int m_nClockReadPos = 0;
    Selection m_Selection;
    int m_nHandleReadPos = 0;
    std::string m_strStartTime;
    std::string m_strDuration;
    std::string m_strClock;
    int m_nSelectedCallId = 0;
    int m_nBrowseDirection = 0;
    int m_nBrowseMode = kBrowseReceived;
    std::unique_ptr<CCallRecord> m_pCurrentCall;
    std::unique_ptr<CCallRecord> m_pSecondCall;
    std::deque<std::unique_ptr<CCallRecord>> m_CallingLists;  // newest first
    ContactActionSink* m_pContactActions = nullptr;
    mutable std::recursive_mutex m_cs;
};
