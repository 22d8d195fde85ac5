// Where the notification dispatcher hands the lines that are not about the
// current or second call: the user, contact and status lines, and the call
// history lines. The shell wires the real handlers; until they exist it
// wires the Ignored... stand-ins below, which drop every line.
#pragma once

#include <string>

#include "protocol/LineWords.h"
#include "session/CCallRecord.h"

namespace kestrava {

// One line as the dispatcher read it, with the snapshot of the current call
// taken just before it was dispatched.
struct NotificationLine {
    const std::string& text;
    const LineWords& words;
    int currentCallId;
    int currentCallStatus;
};

// One operation per first word, called on the parser thread.
class UserLineHandler {
  public:
    virtual ~UserLineHandler() = default;

    virtual void Protocol(const NotificationLine& line) = 0;           // "PROTOCOL"
    virtual void Users(const NotificationLine& line) = 0;              // "USERS"
    virtual void User(const NotificationLine& line) = 0;               // "USER"
    virtual void ConnectionStatus(const NotificationLine& line) = 0;   // "CONNSTATUS"
    virtual void Privilege(const NotificationLine& line) = 0;          // "PRIVILEGE"
    virtual void Profile(const NotificationLine& line) = 0;            // "PROFILE"
    virtual void UserStatus(const NotificationLine& line) = 0;         // "USERSTATUS"
    virtual void CurrentUserHandle(const NotificationLine& line) = 0;  // "CURRENTUSERHANDLE"
    virtual void Mute(const NotificationLine& line) = 0;               // "MUTE"
    virtual void AudioIn(const NotificationLine& line) = 0;            // "AUDIO_IN"
    virtual void AudioOut(const NotificationLine& line) = 0;           // "AUDIO_OUT"
};

// The call history: its two lines, and the replies of the CALL handler for a
// call that is neither the current nor the second call and that finish the
// history's own work (the other properties of such a call go to the store's
// by-id setters directly).
class HistoryLineHandler {
  public:
    virtual ~HistoryLineHandler() = default;

    virtual void CallHistoryChanged(const NotificationLine& line) = 0;  // "CALLHISTORYCHANGED"
    virtual void Calls(const NotificationLine& line) = 0;               // "CALLS"
    // SEEN of a history call, after the store has recorded it (SetCallSeen).
    virtual void HistoryCallSeen(int callId, int seen) = 0;
    // TIMESTAMP of a history call: the whole reply is the history's.
    virtual void HistoryCallTimestamp(int callId, CallTime startTime) = 0;
};

class IgnoredUserLines final : public UserLineHandler {
  public:
    void Protocol(const NotificationLine&) override {}
    void Users(const NotificationLine&) override {}
    void User(const NotificationLine&) override {}
    void ConnectionStatus(const NotificationLine&) override {}
    void Privilege(const NotificationLine&) override {}
    void Profile(const NotificationLine&) override {}
    void UserStatus(const NotificationLine&) override {}
    void CurrentUserHandle(const NotificationLine&) override {}
    void Mute(const NotificationLine&) override {}
    void AudioIn(const NotificationLine&) override {}
    void AudioOut(const NotificationLine&) override {}
};

class IgnoredHistoryLines final : public HistoryLineHandler {
  public:
    void CallHistoryChanged(const NotificationLine&) override {}
    void Calls(const NotificationLine&) override {}
    void HistoryCallSeen(int, int) override {}
    void HistoryCallTimestamp(int, CallTime) override {}
};

}  // namespace kestrava
