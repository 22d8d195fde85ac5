// The simulated Skype client's calls: each call is a small state machine that
// moves only when something happens to it — the program's SET CALL commands,
// the person at the client, or the far end — and every move gives the lines a
// real client sends for it, in order.
//
//   incoming:  RINGING, RINGING           (rings until answered or given up)
//              EARLYMEDIA                 (the same from a phone number: "+" and digits)
//   outgoing:  ROUTING, ROUTING, RINGING  (the far end's phone rings)
//   answered:  INPROGRESS                 (DURATION every second from then on)
//   held:      ONHOLD, LOCALHOLD          (no DURATION while held)
//   resumed:   INPROGRESS
//   finished:  FAILUREREASON 1, FINISHED  (an answered or held call ends)
//   refused:   REFUSED                    (the program turns a ringing call down)
//   missed:    MISSED                     (an incoming call ends unanswered)
//   cancelled: CANCELLED                  (an outgoing call ends before answer)
//
// Each of the last four is followed by CALLHISTORYCHANGED: the call has
// entered the history.
//
// Answering or resuming a call holds the call in progress first, as a real
// client does: one call talks at a time.
//
// The handset's hook and buttons act on "the" call, chosen when there are
// several: the incoming call that has rung longest, the call in progress that
// began first, the outgoing call being set up that began first.
//
// No window system here: the client owns the timer that calls Tick.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace kestrava::sim {

enum class CallState {
    Routing,
    Ringing,
    InProgress,
    OnHold,
    Finished,
    Missed,
    Refused,
    Cancelled,
};

// The client's clock: seconds since 1970.
long long NowSeconds();

// The status word the client reports for a state.
const char* StatusName(CallState state);

struct SimCall {
    int id = 0;
    std::string partnerHandle;
    std::string partnerName;
    bool incoming = true;
    CallState state = CallState::Ringing;
    long long timestamp = 0;  // seconds since 1970, when the call began
    int duration = 0;         // seconds in progress
    bool seen = true;
    int failureReason = 0;
    // An incoming call from a phone number ("+" and digits) reports
    // EARLYMEDIA where a call from a contact reports RINGING.
    bool earlyMedia = false;
};

class SimCalls {
  public:
    using Lines = std::vector<std::string>;

    // A call that already ended, for the history the client starts with.
    void AddPast(const SimCall& call);
    // The client keeps only the newest `calls` ended calls and forgets the
    // older ones altogether; 0 keeps every call.
    void LimitHistory(std::size_t calls);

    // What happens outside the program. Each returns the lines the client
    // sends, or nothing when the call is not in a state that allows it.
    Lines Incoming(int id, const std::string& handle, const std::string& name, long long now);
    Lines Outgoing(int id, const std::string& handle, const std::string& name, long long now);
    // An incoming call answered by the person at the client, or an outgoing
    // one answered by the far end.
    Lines AnswerAtClient(int id);
    Lines HoldAtClient(int id);
    Lines ResumeAtClient(int id);
    // The far end hangs up an answered or held call.
    Lines FarEndHangsUp(int id);
    // The caller gives up before anybody answers: an incoming call is missed
    // (the client reports it so whoever stopped it), an outgoing one cancelled.
    Lines GiveUp(int id);

    // The handset's hook and buttons (HOOK OFF / BTN_RELEASED YES, HOOK ON,
    // BTN_RELEASED NO). Each returns the moved call's lines; nothing when no
    // call is in a state it acts on.
    // Answers the ringing incoming call, as SET CALL n STATUS INPROGRESS does.
    Lines AnswerRinging();
    // Ends the call in progress (FINISHED), else refuses the ringing incoming
    // call, else cancels an outgoing call being set up.
    Lines HookOn();
    // Refuses the ringing incoming call, else ends the call in progress, else
    // cancels an outgoing call being set up.
    Lines Reject();

    // The replies to GET CALL n <property> and SET CALL n <property> <value>.
    Lines Get(int id, const std::string& property) const;
    Lines Set(int id, const std::string& property, const std::string& value);

    // One second passes: a DURATION line for each call in progress.
    Lines Tick();
    bool AnyInProgress() const;

    const SimCall* Find(int id) const;
    // Ended calls, newest first; only the missed ones when asked.
    std::vector<int> History(bool missedOnly) const;
    // Calls not yet ended, newest first.
    std::vector<SimCall> Live() const;
    // Missed calls of the history nobody has seen yet.
    int UnseenMissed() const;

  private:
    SimCall* FindMutable(int id);
    Lines Start(SimCall call);
    Lines End(SimCall& call, CallState final);
    // Puts an ended call at the top of the history; forgets the calls beyond the limit.
    void Remember(int id);
    // The first call in starting order that `wanted` picks; null for none.
    template <typename Predicate>
    SimCall* Oldest(Predicate wanted);
    // Holds every call in progress but `id`.
    Lines HoldOthers(int id);
    Lines EndRingingIncoming();
    Lines EndInProgress();
    Lines CancelOutgoing();

    std::map<int, SimCall> m_calls;
    std::vector<int> m_history;  // newest first
    std::vector<int> m_started;  // every call begun here, in starting order
    std::size_t m_historyLimit = 0;
};

}  // namespace kestrava::sim
