// The handler of "CALL" lines: keeps the session store's current call, second
// call and call history in step with what Skype reports, makes the handset
// ring, show the caller and show the end of a call, and asks Skype for the
// properties it needs. Runs on the parser thread only.
//
// A line's call is matched by its id alone: the current call (its id equals
// the snapshot's current call id), the second call, otherwise a history
// record (whose lines change only the history and never reach the handset)
// or a new call. A current call id of 0 means there is no current call; a
// line whose id does not parse (0) is dropped, so it can never pose as "no
// call". Every final status ends the call it names, whatever it was doing.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "protocol/LineHandlers.h"

class CDeviceLibrary;
class CSessionStore;
class CallerDetails;
class SkypeLink;

namespace kestrava {

class Desktop;
class Shell;

class CCallStateMachine {
  public:
    static constexpr std::size_t kMaxNameLength = 254;

    CCallStateMachine(SkypeLink& link, CDeviceLibrary& device, Shell& shell, Desktop& desktop,
                      HistoryLineHandler& history);
    CCallStateMachine(const CCallStateMachine&) = delete;
    CCallStateMachine& operator=(const CCallStateMachine&) = delete;
    virtual ~CCallStateMachine() = default;

    // The store and the contact list exist later than the engine; until the
    // store is set, CALL lines are dropped. Null detaches them again; the
    // setters wait for a line in progress, so once they return the old
    // object is no longer used and may go.
    void SetSessionStore(CSessionStore* store);
    void SetCallerDetails(CallerDetails* caller);

    // One "CALL" line. True when it was a further RINGING call that was
    // refused: the dialog watch skips that line.
    virtual bool HandleCallLine(const NotificationLine& line);

  private:
    // The line's call, its role and the calls as they were when it arrived.
    struct Call {
        const NotificationLine& line;
        CSessionStore& store;
        int id;
        int status;        // the current call's status
        int secondStatus;  // the second call's status, CALL_NONE without one
        bool current;      // the line's call is the current call
        bool second;       // ... the second call
        bool noCall;       // there is no current call
        // Neither: a history record, or a call the program does not follow yet.
        bool Other() const { return !current && !second; }
        bool Known() const;  // the history lists the call
        bool Over() const;   // ... and it has ended there
    };

    bool HandleStatus(const Call& call, const std::string& value);
    void HandleProperty(const Call& call, const std::string& property);
    // A call that has ended but whose details have not all come back yet no
    // longer holds the place of the current call when a new call starts.
    void RetireEndedCall(CSessionStore& store, int newId, int& currentId, int& currentStatus);

    // STATUS values
    void OnRouting(const Call& call);
    bool OnRinging(const Call& call);
    void OnEarlyMedia(const Call& call);
    void OnInProgress(const Call& call);
    void OnLocalHold(const Call& call);
    void OnVoicemail(const Call& call, int code);
    // Every final status: FINISHED, the unanswered ends, the voicemail ends.
    void OnFinal(const Call& call, int code);
    void EndCurrentCall(const Call& call, int code);
    void EndSecondCall(const Call& call, int code);

    // Other properties
    void OnSeen(const Call& call);
    void OnPartnerHandle(const Call& call);
    void OnPartnerName(const Call& call);
    void OnType(const Call& call);
    void OnDuration(const Call& call);
    void OnTimestamp(const Call& call);

    // Steps the transitions share.
    void StopHandsetTransfer();
    void StopSounds();
    void AskCallerName(int callId);
    void AskCallDetails(int callId);
    void Send(std::uint8_t command);
    void Pause(int milliseconds);
    void Queue(unsigned key, int callId);
    // Ends a call on the handset and shows what remains: the other call in
    // progress or on hold keeps the handset in a call, one being placed shows
    // as placed, an incoming one that still rings rings again, otherwise the
    // handset is idle.
    void EndOnHandset(int otherStatus);
    void RefuseCall(int callId);
    static int SecondCallId(CSessionStore& store);
    static int SecondCallStatus(CSessionStore& store);

    SkypeLink& m_link;
    CDeviceLibrary& m_device;
    Shell& m_shell;
    Desktop& m_desktop;
    HistoryLineHandler& m_history;
    std::atomic<CSessionStore*> m_store{nullptr};
    std::atomic<CallerDetails*> m_caller{nullptr};
    std::recursive_mutex m_cs;
};

}  // namespace kestrava
