#include "protocol/CSkypeEngine.h"

#include <cstdio>
#include <cstring>
#include <system_error>

#include "CLcdRenderer.h"
#include "platform/Pause.h"
#include "protocol/LineWords.h"

using namespace kestrava;

namespace {

constexpr int kButtonLinkReady = 0x53;
constexpr const char* kParserThreadFailed = "CreateThead MessageInQueueThreadProc is failed...\n";
constexpr const char* kSenderThreadFailed = "CreateThead MessageOutQueueThreadProc is failed...\n";
constexpr const char* kActionThreadFailed = "CreateThead QueueAPIThreadProc is failed...\n";

bool StartSystemThread(std::thread& thread, std::function<void()> body) {
    try {
        thread = std::thread(std::move(body));
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

void TraceToStdout(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
}

// Format of each key's text; nullptr for unassigned keys.
const char* CommandFormat(unsigned key) {
    switch (key) {
        case KEY_SKYPE_PROTOCOL:
            return "PROTOCOL 5";
        case KEY_SKYPE_PING:
            return "PING";
        case KEY_SKYPE_SET_AUDIO_IN:
            return "SET AUDIO_IN %s ";
        case KEY_SKYPE_SET_AUDIO_OUT:
            return "SET AUDIO_OUT %s ";
        case KEY_SKYPE_GET_SKYPEVERSION:
            return "GET SKYPEVERSION";
        case KEY_SKYPE_SEARCH_FRIENDS:
            return "SEARCH FRIENDS";
        case KEY_SKYPE_GET_USER_ONLINESTATUS:
            return "GET USER %s ONLINESTATUS";
        case KEY_SKYPE_GET_CALL_PARTNER_HANDLE:
            return "GET CALL %d PARTNER_HANDLE";
        case KEY_SKYPE_GET_CALL_PARTNER_DISPNAME:
            return "GET CALL %d PARTNER_DISPNAME";
        case KEY_SKYPE_GET_USER_FULLNAME:
            return "GET USER %s FULLNAME";
        case KEY_SKYPE_GET_CALL_TYPE:
            return "GET CALL %d TYPE";
        case KEY_SKYPE_SEARCH_CALLS:
            return "SEARCH CALLS";
        case KEY_SKYPE_GET_CALL_TIMESTAMP:
            return "GET CALL %d TIMESTAMP";
        case KEY_SKYPE_GET_USER_DISPLAYNAME:
            return "GET USER %s DISPLAYNAME";
        case KEY_SKYPE_NAME:
            return "NAME %s";
        case KEY_SKYPE_GET_CALL_DURATION:
            return "GET CALL %d DURATION";
        case KEY_SKYPE_GET_AUDIO_IN:
            return "GET AUDIO_IN";
        case KEY_SKYPE_GET_AUDIO_OUT:
            return "GET AUDIO_OUT";
        case KEY_SKYPE_HOOK_ON:
            return "HOOK ON";
        case KEY_SKYPE_GET_CALL_STATUS:
            return "GET CALL %d STATUS";
        case KEY_SKYPE_GET_CALL_SEEN:
            return "GET CALL %d SEEN";
        case KEY_SKYPE_GET_PROFILE_PSTN_BALANCE:
            return "GET PROFILE PSTN_BALANCE";
        case KEY_SKYPE_GET_PRIVILEGE_SKYPEOUT:
            return "GET PRIVILEGE SKYPEOUT";
        case KEY_SKYPE_SEARCH_MISSEDCALLS:
            return "SEARCH MISSEDCALLS";
        case KEY_SKYPE_RESET_AUDIO_IN:
            return "SET AUDIO_IN";
        case KEY_SKYPE_RESET_AUDIO_OUT:
            return "SET AUDIO_OUT";
        case KEY_SKYPE_GET_CURRENTUSERHANDLE:
            return "GET CURRENTUSERHANDLE";
        case KEY_SKYPE_GET_USERSTATUS:
            return "GET USERSTATUS";
        case KEY_SKYPE_SET_RINGER:
            return "SET RINGER %s ";
        case KEY_SKYPE_RESET_RINGER:
            return "SET RINGER";
        case KEY_SKYPE_FLUSH:
            return "";
        default:
            return nullptr;
    }
}

enum class Argument { None, Text, CallId };

Argument ArgumentOf(const char* format) {
    if (std::strstr(format, "%s")) return Argument::Text;
    if (std::strstr(format, "%d")) return Argument::CallId;
    return Argument::None;
}

bool IsDeviceCommand(unsigned key) {
    return key == KEY_SKYPE_SET_AUDIO_IN || key == KEY_SKYPE_SET_AUDIO_OUT ||
           key == KEY_SKYPE_SET_RINGER;
}

}  // namespace

CSkypeEngine::CSkypeEngine(ShellState& shell, WindowSystem& windows,
                           LinkCollaborators& collaborators, NotificationDispatcher& dispatcher,
                           std::chrono::milliseconds sendTimeout, EngineThreads threads)
    : m_shell(shell),
      m_windows(windows),
      m_collaborators(collaborators),
      m_dispatcher(dispatcher),
      m_sendTimeout(sendTimeout),
      m_threads(std::move(threads)) {
    if (!m_threads.start) m_threads.start = StartSystemThread;
    if (!m_threads.trace) m_threads.trace = TraceToStdout;
    // A parser that cannot start leaves m_bInRunning 0: the next line from
    // Skype takes the restart path and tries again. A missing sender is
    // started again by the next command.
    if (!StartThread(
            m_hInThread, [this] { MessageInQueueThreadProc(); }, kParserThreadFailed)) {
        m_bInRunning = 0;
    }
    StartThread(
        m_hOutThread, [this] { MessageOutQueueThreadProc(); }, kSenderThreadFailed);
}

bool CSkypeEngine::StartThread(std::thread& thread, std::function<void()> body,
                               const char* failureTrace) {
    if (m_threads.start(thread, std::move(body))) return true;
    m_threads.trace(failureTrace);
    return false;
}

CSkypeEngine::~CSkypeEngine() {
    {
        std::lock_guard lock(m_actionLock);
        m_bStopping = true;
    }
    m_bInRunning = 0;
    {
        std::lock_guard lock(m_csIn);
        m_InQueue.clear();
    }
    m_inSignal.notify_all();
    {
        std::lock_guard lock(m_csOut);
        m_bOutRunning = 0;
        m_bOutStop = true;
        m_OutQueue.clear();
        m_BulkQueue.clear();
    }
    m_outSignal.notify_all();
    if (m_hInThread.joinable()) m_hInThread.join();
    if (m_hOutThread.joinable()) m_hOutThread.join();
    // A running action (a detach, say) finishes first; its sends are bounded.
    std::vector<ActionThread> actions;
    {
        std::lock_guard lock(m_actionLock);
        actions.swap(m_ApiThreads);
    }
    for (auto& action : actions) action.thread.join();
}

// ---------------------------------------------------------------------------
// Incoming lines

int CSkypeEngine::EnqueueIncoming(const char* text) {
    if (text == nullptr || m_bStopping) return 0;
    if (m_bInRunning) {
        {
            std::lock_guard lock(m_csIn);
            m_InQueue.emplace_back(text);
        }
        m_inSignal.notify_one();
        return 0;
    }
    // The parser has ended: start it again with an empty queue, drop this line,
    // start the session afresh and look for Skype again.
    if (!StartParser()) return E_FAIL;
    m_collaborators.ResetCurrentCall();
    m_collaborators.ResetSecondCall();
    m_collaborators.ResetContactCursor();
    m_collaborators.ResetBrowse();
    SetApiAction(API_ACTION_DISCOVER);
    StartApiThread();
    return 0;
}

bool CSkypeEngine::StartParser() {
    if (m_hInThread.joinable()) m_hInThread.join();  // it has left its loop already
    {
        std::lock_guard lock(m_csIn);
        m_InQueue.clear();
    }
    m_bInRunning = 1;
    if (StartThread(
            m_hInThread, [this] { MessageInQueueThreadProc(); }, kParserThreadFailed)) {
        return true;
    }
    m_bInRunning = 0;
    return false;
}

void CSkypeEngine::MessageInQueueThreadProc() {
    while (m_bInRunning) {
        std::string line;
        bool haveLine = false;
        {
            std::unique_lock lock(m_csIn);
            auto ready = [this] { return !m_InQueue.empty() || !m_bInRunning; };
            auto interval = m_dispatcher.IdleWatchInterval();
            if (interval.count() > 0) {
                m_inSignal.wait_for(lock, interval, ready);
            } else {
                m_inSignal.wait(lock, ready);
            }
            if (!m_bInRunning) break;
            if (!m_InQueue.empty()) {
                line = std::move(m_InQueue.front());
                m_InQueue.pop_front();
                haveLine = true;
                m_bDispatching = true;
            }
        }
        if (haveLine) CountLineTaken();
        // The dialog watch sees the calls as the line found them: a line
        // that starts a call does not hide the window it may have opened,
        // and one that archives a call does not make an old window new.
        const int callId = m_collaborators.CurrentCallId();
        if (haveLine) m_dispatcher.Dispatch(line, callId, m_collaborators.CurrentCallStatus());
        m_dispatcher.WatchSkypeDialogs(callId);
        if (haveLine) {
            std::lock_guard lock(m_csIn);
            m_bDispatching = false;
        }
    }
}

// A line the parser takes answers (at most) one delivered command. Lines
// Skype sends of its own accord (notices) make the count err low, never
// below zero: the window only ever opens wider for them.
void CSkypeEngine::CountLineTaken() {
    int owed = m_nUnparsed.load();
    while (owed > 0 && !m_nUnparsed.compare_exchange_weak(owed, owed - 1)) {
    }
    m_nLinesTaken.fetch_add(1);
    // The sender sets m_bBulkHeld under m_csOut before it looks at the
    // count, so either it sees the count just lowered or it is told here;
    // taking m_csOut first makes sure it is waiting by then.
    if (m_bBulkHeld.load() && BulkMayResume()) {
        { std::lock_guard lock(m_csOut); }
        m_outSignal.notify_one();
    }
}

// The sender asks this under m_csOut; no one takes m_csOut under m_csIn.
bool CSkypeEngine::ParserQueueEmpty() {
    std::lock_guard lock(m_csIn);
    return m_InQueue.empty();
}

// ---------------------------------------------------------------------------
// Outgoing commands

int CSkypeEngine::EnqueueOutgoing(const char* text) {
    return EnqueueOutgoing(text, CommandLane::Live);
}

int CSkypeEngine::EnqueueOutgoing(const char* text, CommandLane lane) {
    if (text == nullptr) return 0;
    {
        std::lock_guard lock(m_csOut);
        if (m_bOutStop) return 0;
        // The sender could not be started before: try again; without it the
        // command is dropped, as one Skype does not take.
        if (!m_hOutThread.joinable() &&
            !StartThread(
                m_hOutThread, [this] { MessageOutQueueThreadProc(); }, kSenderThreadFailed)) {
            return E_FAIL;
        }
        (lane == CommandLane::Bulk ? m_BulkQueue : m_OutQueue).emplace_back(text);
        if (OutgoingObserver* observer = m_pOutgoingObserver.load()) {
            observer->Queued(text, lane);
        }
        m_bOutRunning = 1;  // starts a run, or keeps the current one going
    }
    m_outSignal.notify_one();
    return 0;
}

void CSkypeEngine::MessageOutQueueThreadProc() {
    std::unique_lock lock(m_csOut);
    for (;;) {
        m_outSignal.wait(lock, [this] { return m_bOutStop || m_bOutRunning; });
        if (m_bOutStop) return;
        // One run: send until both lanes are empty or Skype does not take a
        // command (it is dropped; the rest waits for the next command to be
        // queued). Each command is the oldest of the live lane, or of the bulk
        // lane when no live one waits: a live command queued during a run
        // goes out next. An empty text (the flush) is taken off and never
        // sent; the commands queued behind it go on in the same run.
        while (m_bOutRunning) {
            if (m_OutQueue.empty() && !m_BulkQueue.empty() && !BulkMayGo()) {
                // Skype and the parser are behind: bulk waits for their
                // replies (a live command queued meanwhile goes at once).
                const unsigned taken = m_nLinesTaken.load();
                m_bBulkHeld = true;
                const bool open = m_outSignal.wait_for(lock, kReplyPatience, [this] {
                    return m_bOutStop || !m_OutQueue.empty() || BulkMayResume();
                });
                m_bBulkHeld = false;
                if (m_bOutStop) return;
                // Nothing came all this while: what is still counted was
                // never answered, and the client owes nothing more.
                if (!open && m_nLinesTaken.load() == taken && ParserQueueEmpty()) m_nUnparsed = 0;
                continue;
            }
            std::deque<std::string>& queue = m_OutQueue.empty() ? m_BulkQueue : m_OutQueue;
            if (queue.empty()) {
                m_bOutRunning = 0;
                break;
            }
            const CommandLane lane = &queue == &m_BulkQueue ? CommandLane::Bulk : CommandLane::Live;
            std::string text = std::move(queue.front());
            queue.pop_front();
            if (text.empty()) continue;
            lock.unlock();
            bool delivered = SendText(m_windows, m_shell.skypeApiWindow.load(),
                                      m_shell.mainWindow.load(), text, m_sendTimeout);
            if (delivered) CountDelivered();
            if (OutgoingObserver* observer = m_pOutgoingObserver.load()) {
                observer->Sent(text, delivered, false, lane);
            }
            lock.lock();
            if (!delivered) m_bOutRunning = 0;
        }
    }
}

bool CSkypeEngine::LinkIdle() {
    {
        std::lock_guard lock(m_csIn);
        if (!m_InQueue.empty() || m_bDispatching) return false;
    }
    std::lock_guard lock(m_csOut);
    return m_OutQueue.empty() && m_BulkQueue.empty() && !m_bOutRunning;
}

bool CSkypeEngine::SendStraight(const std::string& text) {
    bool delivered = SendText(m_windows, m_shell.skypeApiWindow.load(), m_shell.mainWindow.load(),
                              text, m_sendTimeout);
    if (delivered) CountDelivered();
    if (OutgoingObserver* observer = m_pOutgoingObserver.load()) {
        observer->Sent(text, delivered, true, CommandLane::Live);
    }
    return delivered;
}

int CSkypeEngine::QRV_SendSkypeCommandData(unsigned key, const char* userHandle, int callId) {
    return QueueCommand(key, userHandle, callId, CommandLane::Live);
}

int CSkypeEngine::QueueCommand(unsigned key, const char* userHandle, int callId, CommandLane lane) {
    unsigned command = key & 0xFF;
    const char* format = CommandFormat(command);
    if (format == nullptr) return 0;

    std::string argument;
    if (IsDeviceCommand(command)) {
        argument = HandsetDeviceNameAsUtf8();
        if (argument.empty()) return 0;
    } else if (command == KEY_SKYPE_NAME) {
        argument = m_strAppName;
    } else if (userHandle != nullptr) {
        argument = userHandle;
    }

    char buffer[kCommandBufferSize] = {};
    switch (ArgumentOf(format)) {
        case Argument::Text:
            std::snprintf(buffer, sizeof(buffer), format, argument.c_str());
            break;
        case Argument::CallId:
            std::snprintf(buffer, sizeof(buffer), format, callId);
            break;
        case Argument::None:
            std::snprintf(buffer, sizeof(buffer), "%s", format);
            break;
    }
    // snprintf cuts a long text to 254 bytes and terminates it.
    EnqueueOutgoing(buffer, lane);
    return 0;
}

// The mixer controls read the name from the system in UTF-16 and hand it on
// as UTF-8, so it goes to Skype as it is. (Taking it through the renderer's
// Big5 / GB2312 / Shift-JIS tables would turn a name read on one locale into
// another character set's characters.)
std::string CSkypeEngine::HandsetDeviceNameAsUtf8() {
    return CutUtf8(m_collaborators.HandsetAudioDeviceName(), kTextBufferSize - 1);
}

// ---------------------------------------------------------------------------
// Link actions

int CSkypeEngine::SetApiAction(int action) {
    m_nApiAction = action;
    return 0;
}

int CSkypeEngine::StartApiThread() {
    // The pending code goes with the thread, so a later SetApiAction never
    // changes what a started action does.
    int action = m_nApiAction.exchange(API_ACTION_NONE);
    if (action == API_ACTION_NONE) return 0;
    return StartActionThread(action) ? 0 : E_FAIL;
}

bool CSkypeEngine::StartActionThread(int action) {
    std::lock_guard lock(m_actionLock);
    // Decided under the lock the destructor takes to mark the stop, so a
    // thread started here is always in the list the destructor joins.
    if (m_bStopping) return false;
    // Join the threads that have finished, so the list stays short.
    std::erase_if(m_ApiThreads, [](ActionThread& t) {
        if (!t.finished->load()) return false;
        t.thread.join();
        return true;
    });
    auto finished = std::make_shared<std::atomic<bool>>(false);
    ActionThread started{std::thread(), finished};
    if (!StartThread(
            started.thread,
            [this, action, finished] {
                QueueAPIThreadProc(action);
                finished->store(true);
            },
            kActionThreadFailed)) {
        return false;
    }
    m_ApiThreads.push_back(std::move(started));
    return true;
}

void CSkypeEngine::QueueAPIThreadProc(int action) {
    switch (action) {
        case API_ACTION_DISCOVER:
            m_windows.Broadcast(m_shell.discoverMessage.load(), m_shell.mainWindow.load(), 0,
                                m_sendTimeout);
            break;
        case API_ACTION_ATTACHED:
            RunAttachedSetUp();
            break;
        case API_ACTION_ROUTE_AUDIO:
            QRV_SendSkypeCommandData(KEY_SKYPE_SET_AUDIO_IN, nullptr, 0);
            QRV_SendSkypeCommandData(KEY_SKYPE_SET_AUDIO_OUT, nullptr, 0);
            QRV_SendSkypeCommandData(KEY_SKYPE_SET_RINGER, nullptr, 0);
            QRV_SendSkypeCommandData(KEY_SKYPE_GET_AUDIO_IN, nullptr, 0);
            QRV_SendSkypeCommandData(KEY_SKYPE_GET_AUDIO_OUT, nullptr, 0);
            break;
        case API_ACTION_DETACH:
            QRV_SendSkypeCommandData(KEY_SKYPE_RESET_AUDIO_IN, nullptr, 0);
            QRV_SendSkypeCommandData(KEY_SKYPE_RESET_AUDIO_OUT, nullptr, 0);
            QRV_SendSkypeCommandData(KEY_SKYPE_RESET_RINGER, nullptr, 0);
            Pause(std::chrono::milliseconds(400));  // lets the sender deliver them
            m_bHistoryLoaded = 0;
            m_windows.Broadcast(m_shell.discoverMessage.load(), 0, 0, m_sendTimeout);
            m_shell.skypeApiWindow = 0;
            break;
        default:
            break;
    }
}

void CSkypeEngine::RunAttachedSetUp() {
    QRV_SendSkypeCommandData(KEY_SKYPE_PROTOCOL, nullptr, 0);
    QRV_SendSkypeCommandData(KEY_SKYPE_GET_USERSTATUS, nullptr, 0);
    m_collaborators.PreferNonHandsetDevices();
    StartActionThread(API_ACTION_ROUTE_AUDIO);
    m_collaborators.ClearCalls();
    m_collaborators.ClearContacts();
    m_collaborators.HandleButton(kButtonLinkReady);
    // The contact list and the history load behind everything live.
    QueueCommand(KEY_SKYPE_SEARCH_FRIENDS, nullptr, 0, CommandLane::Bulk);
    QueueCommand(KEY_SKYPE_SEARCH_CALLS, nullptr, 0, CommandLane::Bulk);
    m_collaborators.SetLinkReady(1);
    m_collaborators.RestartFocusTimer();
}
