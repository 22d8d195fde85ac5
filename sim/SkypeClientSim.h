// A simulated Skype desktop client, speaking its Desktop API over window messages.
//
// It answers Discover with Attach (the statuses it is told to give), sends the
// notifications a real client sends unasked after attaching (CONNSTATUS,
// CURRENTUSERHANDLE, USERSTATUS) and whenever a contact's online status or its
// own connection changes, or a call ends and enters the history
// (CALLHISTORYCHANGED), answers every command in order in the API's
// reply forms ("OK" or "ERROR <n> <text>" where no object line fits), keeps
// users, calls (SimCalls: each moves only when the program, the person at the
// client or the far end does something) and a call history, plays timed
// scenarios, and logs everything that crosses the link. The same class runs in the POSIX in-process
// desktop (on a thread of its own) and as a separate Windows program.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/Desktop.h"
#include "platform/WindowSystem.h"
#include "sim/HeapBytes.h"
#include "sim/SimCalls.h"
#include "sim/SimSkypeWindows.h"
#include "sim/SkypeScenario.h"

namespace kestrava::sim {

struct SimUser {
    std::string handle;
    std::string fullName;
    std::string displayName;
    std::string onlineStatus;
};

class SkypeClientSim {
  public:
    static constexpr const char* kApiWindowClass = "SkypeSimApiWindow";
    static constexpr const char* kMainWindowClass = SimSkypeWindows::kMainWindowClass;
    static constexpr std::chrono::milliseconds kSendTimeout{2000};
    // WM_COPYDATA to the API window with this dwData carries one scenario
    // step without its time ("incoming 101 alice.liddell"), carried out at
    // once: how a test in another process plays the far end or the person at
    // the client. Answered 1 when the step was valid, 0 otherwise.
    static constexpr std::uintptr_t kStepData = 0x53544550;

    struct Options {
        std::vector<LParam> attachStatuses{0};  // answers given to each Discover, in order
        std::string currentUser = "kestrava.tester";
        // A larger account for load measurements: this many more contacts
        // ("contact1" ..., a third of them online) and past calls (missed,
        // received and dialed in turn, each with a contact of the account).
        int extraContacts = 0;
        int extraHistory = 0;
        // How long the client's window procedure takes over each command
        // before it returns (at least this long): a real client answers each
        // command synchronously in its own window procedure, at a cost that
        // grows with the account.
        std::chrono::microseconds commandCost{0};
    };

    // Log entries: "COMMAND <text>", "NOTIFY <text>", "DISCOVER <window|null>",
    // "ATTACH <status>", "ANNOUNCE", "HANDSET <step>", "SCENARIO END",
    // "STEP REFUSED <text>" (a step sent with kStepData that does not parse),
    // "SCENARIO IGNORED <step>" (a step that does not fit the calls' or the
    // windows' state), and the windows' entries ("WINDOW ...", "DIAL ...",
    // listed in SimSkypeWindows.h).
    using Observer = std::function<void(const std::string& entry)>;

    SkypeClientSim(WindowSystem& windows, Desktop& desktop, Options options);
    SkypeClientSim(WindowSystem& windows, Desktop& desktop);
    ~SkypeClientSim();

    // Called before Run/Start: every log entry is also handed to the observer.
    void SetObserver(Observer observer) { m_observer = std::move(observer); }
    // Called before Run/Start: the program to stop when a scenario ends.
    void SetScenarioEndHandler(std::function<void()> handler) {
        m_onScenarioEnd = std::move(handler);
    }
    // Called before Run/Start: who carries out the handset steps of a scenario
    // (lift, hangup, press); without one they are skipped.
    void SetHandsetStepHandler(std::function<void(const ScenarioStep&)> handler) {
        m_onHandsetStep = std::move(handler);
    }

    // Creates the client's windows on the calling thread and handles messages until Stop.
    void Run();
    // Run on a thread of its own; returns once the windows exist.
    void Start();
    // Thread-safe; ends Run (and joins the thread that Start made).
    void Stop();

    // Thread-safe requests, carried out on the client's thread: what happens
    // at the client or at the far end (the scenario steps of the same names).
    void Announce();
    void Notify(const std::string& line);                  // any line, as it is
    void IncomingCall(int id, const std::string& handle);  // rings until answered
    void OutgoingCall(int id, const std::string& handle);  // the far end rings
    void AnswerCall(int id);  // at the client; an outgoing call: by the far end
    void HoldCall(int id);
    void ResumeCall(int id);
    void FinishCall(int id);  // the far end hangs up an answered or held call
    void GiveUpCall(int id);  // the caller gives up before answer (missed or cancelled)
    void MissedCall(int id, const std::string& handle);  // rings and is missed at once
    // A contact's online status changes (a word of the API: ONLINE, OFFLINE, AWAY, ...).
    void SetUserOnlineStatus(const std::string& handle, const std::string& status);
    // The client's own connection changes: CONNECTING, OFFLINE or ONLINE.
    void SetConnectionStatus(const std::string& status);
    // The person at the client changes the user's own status (ONLINE, OFFLINE,
    // SKYPEME, AWAY, NA, DND, INVISIBLE); the client reports it unasked.
    void SetUserStatus(const std::string& status);
    // The client forgets all but the newest `calls` ended calls (0: none).
    void LimitHistory(std::size_t calls);

    // The client's calls as of the last lines it sent: those not yet ended,
    // newest first, and the count of unseen missed calls in its history.
    struct CallsView {
        std::vector<SimCall> live;
        int unseenMissed = 0;
    };
    CallsView Calls() const;
    void Play(const Scenario& scenario);
    // The client hangs: its thread is busy for `duration` and handles no
    // message meanwhile, as a client stuck in a long operation. Logged as
    // "STALL <ms>" when it begins and "STALL END" when it is over.
    void Stall(std::chrono::milliseconds duration);
    // Carries out one step now, as a scenario would.
    void Perform(const ScenarioStep& step);

    // The dial field's text (thread-safe).
    std::string DialText() const { return m_skypeWindows.DialText(); }

    std::vector<std::string> Log() const;
    std::size_t LogSize() const;
    // The memory the log itself holds, with `block(n)` what one allocation
    // of n bytes takes: a soak measures the program's memory without it.
    std::size_t LogBytes(HeapBlockSize block) const;
    std::vector<std::string> CommandsReceived() const;
    // Waits until `done` holds for the log, or the time is up.
    bool WaitForLog(const std::function<bool(const std::vector<std::string>&)>& done,
                    std::chrono::milliseconds timeout) const;

    WindowHandle ApiWindow() const;
    WindowHandle AttachedProgram() const;

    // The answers to one command, first the reply, then what follows it (tests use it directly).
    std::vector<std::string> Answer(const std::string& command);

  private:
    static constexpr std::uintptr_t kScenarioTimer = 2;
    static constexpr LParam kApiAvailable = 0x8001;
    // The words SET USERSTATUS takes.
    static bool IsUserStatus(const std::string& word);

    LParam Procedure(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);
    void RunOnClientThread(std::function<void()> task);
    void RunPendingTasks();
    void Record(const std::string& entry);
    void AnswerDiscover(WindowHandle program);
    bool PerformStepText(const std::string& text);
    void Queue(const std::string& line);
    void FlushOutbox();
    void Tick();
    void UpdateDurationTimer();
    void PlayDueSteps();
    void ApplyStep(const ScenarioStep& step);
    // The commands of the handset's keys (FOCUS, HOOK, BTN_*, OPEN); nullopt
    // for any other verb.
    std::optional<std::vector<std::string>> AnswerHandsetCommand(
        const std::vector<std::string>& words);
    int NextCallId();
    const SimUser* FindUser(const std::string& handle) const;
    SimUser* FindUser(const std::string& handle);
    // The name the client shows for a handle: display name, full name, or the handle.
    std::string PartnerName(const std::string& handle) const;

    WindowSystem& m_windows;
    Desktop& m_desktop;
    Options m_options;
    Observer m_observer;
    std::function<void()> m_onScenarioEnd;
    std::function<void(const ScenarioStep&)> m_onHandsetStep;

    // Touched only on the client's thread.
    std::uint32_t m_attachMessage = 0;
    std::uint32_t m_discoverMessage = 0;
    SimSkypeWindows m_skypeWindows;
    std::deque<std::string> m_outbox;
    std::vector<SimUser> m_users;
    std::string m_connStatus = "ONLINE";
    SimCalls m_calls;
    bool m_durationTimerOn = false;
    std::string m_audioIn, m_audioOut, m_ringer;
    std::string m_userStatus = "ONLINE";
    bool m_muted = false;
    int m_nextCallId = 200;
    std::vector<ScenarioStep> m_steps;
    std::size_t m_nextStep = 0;
    std::chrono::steady_clock::time_point m_scenarioStart;

    // Shared with other threads.
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_logChanged;
    std::vector<std::string> m_log;
    CallsView m_callsView;
    std::vector<std::function<void()>> m_tasks;
    WindowHandle m_apiWindow = 0;
    WindowHandle m_attached = 0;
    bool m_ready = false;
    bool m_stopRequested = false;
    std::thread m_thread;
};

}  // namespace kestrava::sim
