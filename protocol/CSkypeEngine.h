// The program's link to the Skype client.
//
// Lines from Skype arrive as WM_COPYDATA on the main window and are queued by
// EnqueueIncoming; the parser thread takes them off in order and hands each
// to the notification dispatcher. Commands are queued by EnqueueOutgoing (or
// formatted by key through QRV_SendSkypeCommandData) in one of two lanes, and
// the sender thread delivers them one WM_COPYDATA at a time, live ones ahead
// of bulk ones. Link actions (discover, set-up after attaching, audio
// routing, detach) each run once on a short-lived thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/ShellState.h"
#include "platform/DialogHost.h"
#include "platform/WindowSystem.h"
#include "protocol/CommandKeys.h"
#include "protocol/LinkCollaborators.h"

class CLcdRenderer;

// How the engine starts its threads, and where it traces one that cannot be
// started. Empty members give the system's threads and standard output; tests
// pass a starter that fails.
struct EngineThreads {
    // Starts `body` on `thread`; false (thread left empty) when none can be created.
    std::function<bool(std::thread& thread, std::function<void()> body)> start;
    std::function<void(const std::string& line)> trace;
};

class CSkypeEngine {
  public:
    // How long a message to Skype's window (or one window of a broadcast) may take
    // before it counts as not delivered: a hung window never freezes the link.
    static constexpr std::chrono::milliseconds kSendTimeout{2000};
    static constexpr std::size_t kTextBufferSize = 260;     // out-buffers of the text getters
    static constexpr std::size_t kCommandBufferSize = 255;  // formatted commands
    // The ring list never takes more names than this, whatever NUMOFRINGS asks for:
    // a dialog's combo box is no place for more, and a huge count would hang the dialog.
    static constexpr int kMaxRings = 256;
    // A bulk command leaves only while fewer than this many commands wait for
    // the parser to take their reply: the client's replies and the parser's
    // queue stay short, so a live command's reply is never far behind.
    static constexpr int kBulkWindow = 32;
    // With bulk waiting on the window and no line coming for this long, the
    // client owes nothing more (some command had no reply): the window opens.
    static constexpr std::chrono::milliseconds kReplyPatience{250};

    CSkypeEngine(kestrava::ShellState& shell, kestrava::WindowSystem& windows,
                 LinkCollaborators& collaborators, NotificationDispatcher& dispatcher,
                 std::chrono::milliseconds sendTimeout = kSendTimeout, EngineThreads threads = {});
    CSkypeEngine(const CSkypeEngine&) = delete;
    CSkypeEngine& operator=(const CSkypeEngine&) = delete;

    // The table of operations; its order is fixed.
    virtual int EnqueueIncoming(const char* text);                                           // 0
    virtual int EnqueueOutgoing(const char* text);                                           // 1
    virtual int QRV_SendSkypeCommandData(unsigned key, const char* userHandle, int callId);  // 2
    virtual int GetCodecRegisterDefaults(int* reg04, int* reg1C);                            // 3
    virtual int LoadConfiguration(const char* directory, int* fontSupported, int* supportSky,
                                  int* supportHideWindows, int* supportAgc,
                                  int* supportAutoRunSkype, int* supportAutoSwitchAudioDevice,
                                  int* supportAutoSwitchSystemAudioDevice,
                                  int* supportFocusAddressBook, int* supportArf,
                                  int* supportLimitCalls);             // 4
    virtual int GetAudioDeviceReplies(char* audioIn, char* audioOut);  // 5
    virtual int FillRingList(kestrava::DialogHost& dialogs,
                             kestrava::DialogHost::DialogHandle dialog,
                             int controlId);          // 6
    virtual int GetApiWindowName(char* out);          // 7
    virtual int GetIconFileNoHW(char* out);           // 8
    virtual int GetIconFileNoSkype(char* out);        // 9
    virtual int GetIconFileActive(char* out);         // 10
    virtual int GetCustomerInfo(char* out);           // 11
    virtual int SetDisplayEnabled(int enabled);       // 12
    virtual int StartApiThread();                     // 13
    virtual int SetApiAction(int action);             // 14
    virtual int SetRenderer(CLcdRenderer* renderer);  // 15
    virtual int UpdateTrayState();                    // 16
    virtual int GetOwnStatus(int* status);            // 17
    virtual int ShowMissedCalls();                    // 18
    virtual int ShowStatusOnHandset(int status);      // 19
    // Stops and joins the engine's threads before anything they use goes away.
    virtual ~CSkypeEngine();  // 20

    // Watches the commands to Skype (soak runs and diagnostics): each text as
    // it is queued, in queue order, and each as it is handed to Skype's
    // window, with whether Skype took it. Called on the queuing and the
    // sending threads; it must not call back into the engine.
    class OutgoingObserver {
      public:
        virtual ~OutgoingObserver() = default;
        virtual void Queued(const std::string& text, CommandLane lane) = 0;
        // `straight`: sent by SendStraight, not through a lane (`lane` is then Live).
        virtual void Sent(const std::string& text, bool delivered, bool straight,
                          CommandLane lane) = 0;
    };
    void SetOutgoingObserver(OutgoingObserver* observer) { m_pOutgoingObserver = observer; }

    // Outside the table: a text, or the command of a key, queued in `lane`.
    // The table's EnqueueOutgoing and QRV_SendSkypeCommandData queue live.
    int EnqueueOutgoing(const char* text, CommandLane lane);
    int QueueCommand(unsigned key, const char* userHandle, int callId, CommandLane lane);

    // Outside the table: one text straight to Skype's API window, the same
    // bounded WM_COPYDATA the sender uses, not through the outgoing queue.
    // False when Skype did not take it.
    bool SendStraight(const std::string& text);

    // No line from Skype waits or is being handled, and no command waits or
    // is being sent (soak runs look for such quiet points).
    bool LinkIdle();

    // Values the other parts of the protocol engine read.
    int FontsSupported() const { return m_bFontsSupported.load(); }
    int DisplayEnabled() const { return m_bDisplayEnabled.load(); }

    // What the user and call history lines keep here (written by the parser thread).
    static constexpr std::size_t kOwnHandleSize = 260;  // m_szOwnHandle, terminator included
    void SetOwnStatus(int status) { m_nOwnStatus = status; }
    // Keeps at most kOwnHandleSize - 1 bytes of `handle`.
    void SetOwnHandle(const char* handle);
    std::string OwnHandle();
    // The device name of the last "AUDIO_IN" (input) or "AUDIO_OUT" reply.
    void SetAudioDeviceReply(bool input, const std::string& name);
    void SetHistoryLoaded(int loaded) { m_bHistoryLoaded = loaded; }
    int HistoryLoaded() const { return m_bHistoryLoaded.load(); }
    // Tells the handset the link is ready, unless it has announced itself
    // already (g_bHandsetAnnounced). Returns 1.
    int SignalHandsetReady();
    // The history was rebuilt: the count of missed calls is shown again if
    // it changed since it was shown last, while no call is up and no list is
    // being browsed.
    void RefreshMissedCalls();

  private:
    void MessageInQueueThreadProc();
    void MessageOutQueueThreadProc();
    void QueueAPIThreadProc(int action);
    // False (traced) when the thread cannot be created.
    bool StartActionThread(int action);
    bool StartThread(std::thread& thread, std::function<void()> body, const char* failureTrace);
    void RunAttachedSetUp();
    bool StartParser();
    // The reply window of the bulk lane (under m_csOut for the sender).
    bool BulkMayGo() const { return m_nUnparsed.load() < kBulkWindow; }
    // A held bulk lane goes on once half the window is free, not at every
    // line: the sender wakes once per half window.
    bool BulkMayResume() const { return m_nUnparsed.load() <= kBulkWindow / 2; }
    void CountDelivered() { m_nUnparsed.fetch_add(1); }
    void CountLineTaken();
    bool ParserQueueEmpty();
    std::string HandsetDeviceNameAsUtf8();
    std::string IconPath(const std::string& file) const;

    kestrava::ShellState& m_shell;
    kestrava::WindowSystem& m_windows;
    LinkCollaborators& m_collaborators;
    NotificationDispatcher& m_dispatcher;
    const std::chrono::milliseconds m_sendTimeout;
    EngineThreads m_threads;

    // Incoming lines: the lock is held for one queue operation only.
    std::mutex m_csIn;
    std::condition_variable m_inSignal;
    std::deque<std::string> m_InQueue;
    bool m_bDispatching = false;  // the parser is handling a line it took
    std::atomic<int> m_bInRunning{1};
    std::thread m_hInThread;

    // Outgoing commands, one queue per lane. The sender runs while
    // m_bOutRunning is 1; starting and ending a run are both decided under
    // m_csOut, so nothing queued is left behind.
    std::mutex m_csOut;
    std::condition_variable m_outSignal;
    std::deque<std::string> m_OutQueue;   // the live lane
    std::deque<std::string> m_BulkQueue;  // the bulk lane
    std::atomic<OutgoingObserver*> m_pOutgoingObserver{nullptr};
    int m_bOutRunning = 0;
    bool m_bOutStop = false;
    std::thread m_hOutThread;

    // The bulk lane waits while Skype owes the parser more than
    // kBulkWindow lines (see BulkMayGo); live commands never wait.
    std::atomic<int> m_nUnparsed{0};  // commands delivered less lines the parser took
    std::atomic<unsigned> m_nLinesTaken{0};
    std::atomic<bool> m_bBulkHeld{false};  // the sender waits on the window (set under m_csOut)

    // Link actions: each thread gets its action code when it starts.
    std::atomic<int> m_nApiAction{0};
    std::mutex m_actionLock;
    struct ActionThread {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };
    std::vector<ActionThread> m_ApiThreads;
    // Set by the destructor under m_actionLock; an action starts only if it
    // reads false under that lock, so no action thread escapes the final join.
    std::atomic<bool> m_bStopping{false};

    std::atomic<int> m_bFontsSupported{1};
    std::atomic<int> m_bDisplayEnabled{0};
    std::atomic<int> m_bHistoryLoaded{0};
    // The count ShowMissedCalls showed last (-1: none).
    std::atomic<int> m_nShownMissed{-1};
    std::atomic<int> m_nOwnStatus{-1};
    std::atomic<CLcdRenderer*> m_pRenderer{nullptr};

    // Configuration: written once at start-up, before the other threads read it.
    int m_nReg04Value = 16;
    int m_nReg1CValue = 8;
    std::string m_szConfigPath;
    std::string m_strAppName;
    std::string m_strApiWindowName;
    std::string m_strCustomerInfo;
    std::string m_strIconNoHW, m_strIconNoAny, m_strIconNoSkype, m_strIconActive;

    std::mutex m_repliesLock;  // the last AUDIO_IN / AUDIO_OUT replies and the own handle
    std::string m_strAudioIn, m_strAudioOut;
    char m_szOwnHandle[kOwnHandleSize] = {};
};
