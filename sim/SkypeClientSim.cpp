#include "sim/SkypeClientSim.h"

#include <charconv>
#include <cstdio>
#include <sstream>

namespace kestrava::sim {

namespace {

constexpr std::uint32_t kRunTasks = msg::kApp + 1;
constexpr std::uintptr_t kDurationTimer = 1;
constexpr unsigned kScenarioTickMs = 10;
constexpr LParam kAttached = 0;

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

// Everything after the first `count` words of `text`.
std::string RestAfter(const std::string& text, std::size_t count) {
    std::size_t at = 0;
    for (std::size_t i = 0; i < count; ++i) {
        at = text.find_first_not_of(' ', at);
        if (at == std::string::npos) return {};
        at = text.find(' ', at);
        if (at == std::string::npos) return {};
    }
    return at + 1 <= text.size() ? text.substr(at + 1) : std::string();
}

std::string Hex(WindowHandle window) {
    char text[32];
    std::snprintf(text, sizeof(text), "0x%llX", static_cast<unsigned long long>(window));
    return text;
}

bool ToInt(const std::string& text, int* value) {
    const char* end = text.data() + text.size();
    auto [at, error] = std::from_chars(text.data(), end, *value);
    return !text.empty() && error == std::errc() && at == end;
}

}  // namespace

bool SkypeClientSim::IsUserStatus(const std::string& word) {
    for (const char* status : {"ONLINE", "OFFLINE", "SKYPEME", "AWAY", "NA", "DND", "INVISIBLE"}) {
        if (word == status) return true;
    }
    return false;
}

SkypeClientSim::SkypeClientSim(WindowSystem& windows, Desktop& desktop)
    : SkypeClientSim(windows, desktop, Options{}) {}

SkypeClientSim::SkypeClientSim(WindowSystem& windows, Desktop& desktop, Options options)
    : m_windows(windows),
      m_desktop(desktop),
      m_options(std::move(options)),
      m_skypeWindows(windows, desktop, [this](const std::string& entry) { Record(entry); }) {
    m_users = {
        {"echo123", "Echo / Sound Test Service", "", "ONLINE"},
        {"alice.liddell", "Alice Liddell", "Alice", "ONLINE"},
        {"wang.xiaoming", "\xE7\x8E\x8B\xE5\xB0\x8F\xE6\x98\x8E", "", "AWAY"},  // 王小明
        {"yamada.taro", "\xE5\xB1\xB1\xE7\x94\xB0\xE5\xA4\xAA\xE9\x83\x8E", "",
         "OFFLINE"},  // 山田太郎
    };
    auto addHistory = [this](int id, const char* handle, bool incoming, CallState state,
                             long long timestamp, int duration, bool seen) {
        m_calls.AddPast({id, handle, PartnerName(handle), incoming, state, timestamp, duration,
                         seen, state == CallState::Finished ? 1 : 0});
    };
    addHistory(11, "alice.liddell", true, CallState::Finished, 1796640000, 125, true);
    addHistory(12, "wang.xiaoming", true, CallState::Missed, 1796650000, 0, false);
    addHistory(13, "yamada.taro", false, CallState::Finished, 1796660000, 3725, true);
    for (int i = 1; i <= m_options.extraContacts; ++i) {
        std::string handle = "contact" + std::to_string(i);
        m_users.push_back(
            {handle, "Contact " + std::to_string(i), "", i % 3 == 0 ? "ONLINE" : "OFFLINE"});
    }
    for (int i = 0; i < m_options.extraHistory; ++i) {
        const SimUser& user = m_users[static_cast<std::size_t>(i) % m_users.size()];
        CallState state = i % 3 == 0 ? CallState::Missed : CallState::Finished;
        addHistory(1000 + i, user.handle.c_str(), i % 3 != 2, state, 1796000000 + i * 60,
                   state == CallState::Missed ? 0 : 30 + i % 600, state != CallState::Missed);
    }
}

SkypeClientSim::~SkypeClientSim() {
    Stop();
}

// ---------------------------------------------------------------------------
// Life cycle and thread-safe requests

void SkypeClientSim::Run() {
    m_attachMessage = m_windows.RegisterMessage("SkypeControlAPIAttach");
    m_discoverMessage = m_windows.RegisterMessage("SkypeControlAPIDiscover");
    m_windows.RegisterWindowClass(kApiWindowClass, "");
    m_skypeWindows.Create();
    auto procedure = [this](WindowHandle w, std::uint32_t m, WParam wp, LParam lp) {
        return Procedure(w, m, wp, lp);
    };
    WindowHandle api = m_windows.CreateHiddenWindow(kApiWindowClass, "Skype API", procedure);
    {
        std::lock_guard lock(m_mutex);
        m_apiWindow = api;
        m_ready = true;
    }
    m_logChanged.notify_all();
    RunPendingTasks();
    m_windows.RunMessageLoop();
    {
        std::lock_guard lock(m_mutex);
        m_apiWindow = 0;
    }
    m_windows.UnregisterWindowClass(kApiWindowClass);
}

void SkypeClientSim::Start() {
    m_thread = std::thread([this] { Run(); });
    std::unique_lock lock(m_mutex);
    m_logChanged.wait(lock, [this] { return m_ready; });
}

void SkypeClientSim::Stop() {
    RunOnClientThread([this] {
        std::lock_guard lock(m_mutex);
        m_stopRequested = true;
    });
    if (m_thread.joinable()) m_thread.join();
}

void SkypeClientSim::RunOnClientThread(std::function<void()> task) {
    WindowHandle api;
    {
        std::lock_guard lock(m_mutex);
        if (m_ready && m_apiWindow == 0) return;  // Run has ended
        m_tasks.push_back(std::move(task));
        api = m_apiWindow;
    }
    if (api) m_windows.Post(api, kRunTasks, 0, 0);
}

void SkypeClientSim::RunPendingTasks() {
    std::vector<std::function<void()>> tasks;
    {
        std::lock_guard lock(m_mutex);
        tasks.swap(m_tasks);
    }
    for (auto& task : tasks) task();
    FlushOutbox();
    bool stop;
    {
        std::lock_guard lock(m_mutex);
        stop = m_stopRequested;
    }
    if (stop) {
        WindowHandle api = ApiWindow();
        m_windows.KillTimer(api, kDurationTimer);
        m_windows.KillTimer(api, kScenarioTimer);
        m_skypeWindows.Destroy();
        m_windows.DestroyWindow(api);
        m_windows.PostQuit(0);
    }
}

void SkypeClientSim::Announce() {
    RunOnClientThread([this] {
        Record("ANNOUNCE");
        m_windows.Broadcast(m_attachMessage, ApiWindow(), kApiAvailable, kSendTimeout);
    });
}

void SkypeClientSim::Notify(const std::string& line) {
    RunOnClientThread([this, line] { Queue(line); });
}

void SkypeClientSim::IncomingCall(int id, const std::string& handle) {
    Perform({0, "incoming", {std::to_string(id), handle}, id});
}

void SkypeClientSim::OutgoingCall(int id, const std::string& handle) {
    Perform({0, "outgoing", {std::to_string(id), handle}, id});
}

void SkypeClientSim::AnswerCall(int id) {
    Perform({0, "answer", {std::to_string(id)}, id});
}

void SkypeClientSim::HoldCall(int id) {
    Perform({0, "hold", {std::to_string(id)}, id});
}

void SkypeClientSim::ResumeCall(int id) {
    Perform({0, "resume", {std::to_string(id)}, id});
}

void SkypeClientSim::FinishCall(int id) {
    Perform({0, "finish", {std::to_string(id)}, id});
}

void SkypeClientSim::GiveUpCall(int id) {
    Perform({0, "missed", {std::to_string(id)}, id});
}

void SkypeClientSim::MissedCall(int id, const std::string& handle) {
    Perform({0, "missed", {std::to_string(id), handle}, id});
}

void SkypeClientSim::SetUserOnlineStatus(const std::string& handle, const std::string& status) {
    Perform({0, "online", {handle, status}});
}

void SkypeClientSim::SetConnectionStatus(const std::string& status) {
    Perform({0, "connstatus", {status}});
}

void SkypeClientSim::SetUserStatus(const std::string& status) {
    Perform({0, "userstatus", {status}});
}

SkypeClientSim::CallsView SkypeClientSim::Calls() const {
    std::lock_guard lock(m_mutex);
    return m_callsView;
}

void SkypeClientSim::LimitHistory(std::size_t calls) {
    RunOnClientThread([this, calls] { m_calls.LimitHistory(calls); });
}

void SkypeClientSim::Stall(std::chrono::milliseconds duration) {
    RunOnClientThread([this, duration] {
        Record("STALL " + std::to_string(duration.count()));
        std::this_thread::sleep_for(duration);
        Record("STALL END");
    });
}

void SkypeClientSim::Perform(const ScenarioStep& step) {
    RunOnClientThread([this, step] { ApplyStep(step); });
}

void SkypeClientSim::Play(const Scenario& scenario) {
    RunOnClientThread([this, scenario] {
        m_steps = scenario.steps;
        m_nextStep = 0;
        m_scenarioStart = std::chrono::steady_clock::now();
        m_windows.SetTimer(ApiWindow(), kScenarioTimer, kScenarioTickMs);
        PlayDueSteps();
    });
}

std::vector<std::string> SkypeClientSim::Log() const {
    std::lock_guard lock(m_mutex);
    return m_log;
}

std::size_t SkypeClientSim::LogSize() const {
    std::lock_guard lock(m_mutex);
    return m_log.size();
}

std::size_t SkypeClientSim::LogBytes(HeapBlockSize block) const {
    std::lock_guard lock(m_mutex);
    std::size_t bytes = block(m_log.capacity() * sizeof(std::string));
    for (const std::string& entry : m_log) bytes += TextHeapBytes(entry, block);
    return bytes;
}

std::vector<std::string> SkypeClientSim::CommandsReceived() const {
    std::vector<std::string> commands;
    for (const auto& entry : Log()) {
        if (entry.rfind("COMMAND ", 0) == 0) commands.push_back(entry.substr(8));
    }
    return commands;
}

bool SkypeClientSim::WaitForLog(const std::function<bool(const std::vector<std::string>&)>& done,
                                std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_logChanged.wait_for(lock, timeout, [&] { return done(m_log); });
}

WindowHandle SkypeClientSim::ApiWindow() const {
    std::lock_guard lock(m_mutex);
    return m_apiWindow;
}

WindowHandle SkypeClientSim::AttachedProgram() const {
    std::lock_guard lock(m_mutex);
    return m_attached;
}

// ---------------------------------------------------------------------------
// The client's thread

void SkypeClientSim::Record(const std::string& entry) {
    {
        std::lock_guard lock(m_mutex);
        m_log.push_back(entry);
    }
    m_logChanged.notify_all();
    if (m_observer) m_observer(entry);
}

LParam SkypeClientSim::Procedure(WindowHandle window, std::uint32_t message, WParam wParam,
                                 LParam lParam) {
    if (window != ApiWindow()) return m_windows.DefaultProcedure(window, message, wParam, lParam);
    if (message != 0 && message == m_discoverMessage) {
        AnswerDiscover(wParam);
        return 1;
    }
    switch (message) {
        case msg::kCopyData: {
            if (reinterpret_cast<const CopyDataPacket*>(lParam)->dwData == kStepData) {
                return PerformStepText(TextOfCopyData(lParam)) ? 1 : 0;
            }
            if (wParam == 0 || wParam != AttachedProgram()) return 0;  // not accepted
            const auto taken = std::chrono::steady_clock::now();
            std::string command = TextOfCopyData(lParam);
            Record("COMMAND " + command);
            if (m_options.commandCost.count() > 0) {
                std::this_thread::sleep_until(taken + m_options.commandCost);
            }
            for (auto& line : Answer(command)) m_outbox.push_back(std::move(line));
            // Replies leave after this message returns, as a real client's do.
            m_windows.Post(window, kRunTasks, 0, 0);
            return 1;
        }
        case kRunTasks:
            RunPendingTasks();
            return 0;
        case msg::kTimer:
            if (wParam == kDurationTimer) Tick();
            if (wParam == kScenarioTimer) PlayDueSteps();
            FlushOutbox();
            return 0;
        case msg::kClose: {
            std::lock_guard lock(m_mutex);
            m_stopRequested = true;
        }
            RunPendingTasks();
            return 0;
        default:
            return m_windows.DefaultProcedure(window, message, wParam, lParam);
    }
}

void SkypeClientSim::AnswerDiscover(WindowHandle program) {
    if (program == 0) {
        Record("DISCOVER null");
        std::lock_guard lock(m_mutex);
        m_attached = 0;
        return;
    }
    Record("DISCOVER " + Hex(program));
    // The broadcaster is still waiting for this message; answer afterwards.
    RunOnClientThread([this, program] {
        for (LParam status : m_options.attachStatuses) {
            Record("ATTACH " + std::to_string(status));
            if (status == kAttached) {
                std::lock_guard lock(m_mutex);
                m_attached = program;
            }
            m_windows.Send(program, m_attachMessage, ApiWindow(), status, kSendTimeout);
            if (status == kAttached) {
                Queue("CONNSTATUS " + m_connStatus);
                Queue("CURRENTUSERHANDLE " + m_options.currentUser);
                Queue("USERSTATUS " + m_userStatus);
            }
        }
    });
}

void SkypeClientSim::Queue(const std::string& line) {
    m_outbox.push_back(line);
}

void SkypeClientSim::FlushOutbox() {
    UpdateDurationTimer();
    {
        std::lock_guard lock(m_mutex);
        m_callsView = CallsView{m_calls.Live(), m_calls.UnseenMissed()};
    }
    while (!m_outbox.empty()) {
        std::string line = std::move(m_outbox.front());
        m_outbox.pop_front();
        WindowHandle program = AttachedProgram();
        if (program == 0) continue;
        Record("NOTIFY " + line);
        SendText(m_windows, program, ApiWindow(), line, kSendTimeout);
    }
}

void SkypeClientSim::Tick() {
    for (auto& line : m_calls.Tick()) Queue(std::move(line));
}

// DURATION goes out every second while a call is in progress, not while it
// rings or is held.
void SkypeClientSim::UpdateDurationTimer() {
    bool wanted = m_calls.AnyInProgress();
    if (wanted == m_durationTimerOn) return;
    m_durationTimerOn = wanted;
    if (wanted) {
        m_windows.SetTimer(ApiWindow(), kDurationTimer, 1000);
    } else {
        m_windows.KillTimer(ApiWindow(), kDurationTimer);
    }
}

const SimUser* SkypeClientSim::FindUser(const std::string& handle) const {
    for (const auto& user : m_users) {
        if (user.handle == handle) return &user;
    }
    return nullptr;
}

SimUser* SkypeClientSim::FindUser(const std::string& handle) {
    for (auto& user : m_users) {
        if (user.handle == handle) return &user;
    }
    return nullptr;
}

std::string SkypeClientSim::PartnerName(const std::string& handle) const {
    const SimUser* user = FindUser(handle);
    if (!user) return handle;
    if (!user->displayName.empty()) return user->displayName;
    return user->fullName.empty() ? handle : user->fullName;
}

// ---------------------------------------------------------------------------
// Replies

std::vector<std::string> SkypeClientSim::Answer(const std::string& command) {
    std::vector<std::string> words = Words(command);
    if (words.empty()) return {"ERROR 1 Unknown command"};
    const std::string& verb = words[0];
    auto is = [&](std::initializer_list<const char*> expected) {
        if (words.size() < expected.size()) return false;
        std::size_t i = 0;
        for (const char* word : expected) {
            if (words[i++] != word) return false;
        }
        return true;
    };

    if (verb == "PROTOCOL") {
        int version = 1;
        if (words.size() < 2 || !ToInt(words[1], &version)) return {"ERROR 3 PROTOCOL: invalid"};
        return {"PROTOCOL " + std::to_string(version > 8 ? 8 : version)};
    }
    if (verb == "PING") return {"PONG"};
    if (verb == "NAME") return {"OK"};
    if (verb == "MINIMIZE") return {"OK"};
    if (auto answer = AnswerHandsetCommand(words)) return *answer;
    if (is({"GET", "SKYPEVERSION"})) return {"SKYPEVERSION 3.8.0.188"};
    if (is({"GET", "CURRENTUSERHANDLE"})) return {"CURRENTUSERHANDLE " + m_options.currentUser};
    if (is({"GET", "CONNSTATUS"})) return {"CONNSTATUS " + m_connStatus};
    if (is({"GET", "USERSTATUS"})) return {"USERSTATUS " + m_userStatus};
    if (is({"SET", "USERSTATUS"}) && words.size() == 3) {
        if (!IsUserStatus(words[2])) return {"ERROR 28 Unknown userstatus"};
        m_userStatus = words[2];
        return {"USERSTATUS " + m_userStatus};
    }
    if (is({"GET", "MUTE"})) return {std::string("MUTE ") + (m_muted ? "ON" : "OFF")};
    if (is({"SET", "MUTE"}) && words.size() == 3) {
        m_muted = words[2] == "ON";
        return {std::string("MUTE ") + (m_muted ? "ON" : "OFF")};
    }
    if (is({"GET", "AUDIO_IN"})) return {"AUDIO_IN " + m_audioIn};
    if (is({"GET", "AUDIO_OUT"})) return {"AUDIO_OUT " + m_audioOut};
    if (is({"GET", "RINGER"})) return {"RINGER " + m_ringer};
    if (is({"SET", "AUDIO_IN"})) return {"AUDIO_IN " + (m_audioIn = RestAfter(command, 2))};
    if (is({"SET", "AUDIO_OUT"})) return {"AUDIO_OUT " + (m_audioOut = RestAfter(command, 2))};
    if (is({"SET", "RINGER"})) return {"RINGER " + (m_ringer = RestAfter(command, 2))};
    if (is({"GET", "PROFILE", "PSTN_BALANCE"})) return {"PROFILE PSTN_BALANCE 1234"};
    if (is({"GET", "PRIVILEGE", "SKYPEOUT"})) return {"PRIVILEGE SKYPEOUT TRUE"};
    if (is({"SEARCH", "FRIENDS"})) {
        std::string line = "USERS ";
        for (std::size_t i = 0; i < m_users.size(); ++i) {
            line += (i ? ", " : "") + m_users[i].handle;
        }
        return {line};
    }
    if (is({"SEARCH", "CALLS"}) || is({"SEARCH", "MISSEDCALLS"})) {
        bool missedOnly = words[1] == "MISSEDCALLS";
        std::string line = "CALLS ";
        bool first = true;
        // The client lists the calls still going on too, before the history.
        std::vector<int> ids;
        if (!missedOnly) {
            for (const SimCall& call : m_calls.Live()) ids.push_back(call.id);
        }
        for (int id : m_calls.History(missedOnly)) ids.push_back(id);
        for (int id : ids) {
            line += (first ? "" : ", ") + std::to_string(id);
            first = false;
        }
        if (first) line.pop_back();  // "CALLS" alone when there are none
        return {line};
    }
    if (is({"GET", "USER"}) && words.size() == 4) {
        const SimUser* user = FindUser(words[2]);
        if (!user) return {"ERROR 26 Invalid user handle"};
        const std::string& property = words[3];
        std::string prefix = "USER " + user->handle + " " + property + " ";
        if (property == "FULLNAME") return {prefix + user->fullName};
        if (property == "DISPLAYNAME") return {prefix + user->displayName};
        if (property == "ONLINESTATUS") return {prefix + user->onlineStatus};
        if (property == "HANDLE") return {prefix + user->handle};
        return {"ERROR 10 Invalid property"};
    }
    if ((is({"GET", "CALL"}) || is({"SET", "CALL"})) && words.size() >= 4) {
        int id = 0;
        if (!ToInt(words[2], &id)) return {"ERROR 11 Invalid call id"};
        if (verb == "GET") return m_calls.Get(id, words[3]);
        return m_calls.Set(id, words[3], words.size() > 4 ? words[4] : "");
    }
    if (verb == "CALL" && words.size() == 2) {
        return m_calls.Outgoing(NextCallId(), words[1], PartnerName(words[1]), NowSeconds());
    }
    return {"ERROR 2 Unknown command"};
}

}  // namespace kestrava::sim
