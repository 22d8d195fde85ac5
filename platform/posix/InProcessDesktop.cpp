#include "InProcessDesktop.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace kestrava {

namespace {
// A tab control answers at once; a client that does not is treated as showing no tab.
constexpr std::chrono::milliseconds kTabQueryTimeout{500};
// A child owned by another thread is told of its end, but never waited for long.
constexpr std::chrono::milliseconds kDestroyTimeout{500};
}  // namespace

// A message sent to a window of another thread. The sender may give up
// (timeout) before the owner gets to it; the owner then skips it. Its data is
// owned by the message, so an abandoned WM_COPYDATA never points at the
// sender's stack.
struct InProcessDesktop::SentMessage {
    WindowHandle window;
    std::uint32_t message;
    WParam wParam;
    LParam lParam;
    std::vector<char> data;
    CopyDataPacket packet{};
    std::shared_ptr<ThreadQueue> replyTo;  // the sender's queue, when it has one

    std::mutex mutex;  // guards the fields below
    std::condition_variable doneSignal;
    bool started = false;
    bool abandoned = false;
    bool done = false;
    LParam result = 0;
};

InProcessDesktop::InProcessDesktop() = default;
InProcessDesktop::~InProcessDesktop() = default;

std::unique_ptr<InProcessDesktop::Program> InProcessDesktop::OpenProgram(const std::string& name) {
    return std::make_unique<Program>(*this, name);
}

void InProcessDesktop::SetForegroundWindow(WindowHandle window) {
    std::lock_guard lock(m_mutex);
    m_foreground = window;
}

WindowHandle InProcessDesktop::FocusWindow() {
    std::lock_guard lock(m_mutex);
    return m_focus;
}

std::string InProcessDesktop::TitleOf(WindowHandle window) {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(window);
    return it == m_windows.end() ? std::string() : it->second.title;
}

std::shared_ptr<InProcessDesktop::ThreadQueue> InProcessDesktop::QueueOfThisThread(bool create) {
    std::lock_guard lock(m_mutex);
    auto it = m_queues.find(std::this_thread::get_id());
    if (it != m_queues.end()) return it->second;
    if (!create) return nullptr;
    auto queue = std::make_shared<ThreadQueue>();
    m_queues.emplace(std::this_thread::get_id(), queue);
    return queue;
}

bool InProcessDesktop::LookUp(WindowHandle window, WindowProc* procedure,
                              std::shared_ptr<ThreadQueue>* owner) {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(window);
    if (it == m_windows.end()) return false;
    if (procedure) *procedure = it->second.procedure;
    if (owner) *owner = it->second.owner;
    return true;
}

LParam InProcessDesktop::Deliver(WindowHandle window, std::uint32_t message, WParam wParam,
                                 LParam lParam) {
    WindowProc procedure;
    // A window made without a procedure takes every message as the default does.
    if (!LookUp(window, &procedure, nullptr) || !procedure) return 0;
    return procedure(window, message, wParam, lParam);
}

void InProcessDesktop::Process(const std::shared_ptr<SentMessage>& sent) {
    {
        std::lock_guard lock(sent->mutex);
        if (sent->abandoned) return;
        sent->started = true;
    }
    LParam result = Deliver(sent->window, sent->message, sent->wParam, sent->lParam);
    {
        std::lock_guard lock(sent->mutex);
        sent->result = result;
        sent->done = true;
    }
    sent->doneSignal.notify_all();
    if (sent->replyTo) {
        // Taking the sender's queue lock orders this wake-up after its last look.
        std::lock_guard lock(sent->replyTo->mutex);
        sent->replyTo->wake.notify_all();
    }
}

std::optional<LParam> InProcessDesktop::Send(WindowHandle window, std::uint32_t message,
                                             WParam wParam, LParam lParam,
                                             std::chrono::milliseconds timeout) {
    WindowProc procedure;
    std::shared_ptr<ThreadQueue> owner;
    if (!LookUp(window, &procedure, &owner)) return std::nullopt;
    auto self = QueueOfThisThread(false);
    if (owner == self) return procedure ? procedure(window, message, wParam, lParam) : 0;

    auto sent = std::make_shared<SentMessage>();
    sent->window = window;
    sent->message = message;
    sent->wParam = wParam;
    sent->lParam = lParam;
    sent->replyTo = self;
    if (message == msg::kCopyData && lParam != 0) {
        const auto* packet = reinterpret_cast<const CopyDataPacket*>(lParam);
        if (packet->lpData != nullptr && packet->cbData > 0) {
            const char* bytes = static_cast<const char*>(packet->lpData);
            sent->data.assign(bytes, bytes + packet->cbData);
        }
        sent->packet = {packet->dwData, static_cast<std::uint32_t>(sent->data.size()),
                        sent->data.empty() ? nullptr : sent->data.data()};
        sent->lParam = reinterpret_cast<LParam>(&sent->packet);
    }
    {
        std::lock_guard lock(owner->mutex);
        owner->sent.push_back(sent);
    }
    owner->wake.notify_all();

    auto deadline = std::chrono::steady_clock::now() + timeout;
    auto finished = [&sent]() {
        std::lock_guard lock(sent->mutex);
        return sent->done;
    };
    auto giveUp = [&sent]() -> std::optional<LParam> {
        std::lock_guard lock(sent->mutex);
        if (sent->done) return sent->result;
        sent->abandoned = true;
        return std::nullopt;
    };

    if (!self) {
        std::unique_lock lock(sent->mutex);
        if (!sent->doneSignal.wait_until(lock, deadline, [&] { return sent->done; })) {
            sent->abandoned = true;
            return std::nullopt;
        }
        return sent->result;
    }

    // A window-owning thread keeps answering messages sent to it while it waits,
    // so two threads that send to each other never deadlock.
    std::unique_lock lock(self->mutex);
    for (;;) {
        if (finished()) return sent->result;
        if (!self->sent.empty()) {
            auto incoming = self->sent.front();
            self->sent.pop_front();
            lock.unlock();
            Process(incoming);
            lock.lock();
            continue;
        }
        if (std::chrono::steady_clock::now() >= deadline) return giveUp();
        self->wake.wait_until(lock, deadline);
    }
}

bool InProcessDesktop::Post(WindowHandle window, std::uint32_t message, WParam wParam,
                            LParam lParam) {
    std::shared_ptr<ThreadQueue> owner;
    if (!LookUp(window, nullptr, &owner)) return false;
    {
        std::lock_guard lock(owner->mutex);
        owner->posted.push_back({window, message, wParam, lParam});
    }
    owner->wake.notify_all();
    return true;
}

int InProcessDesktop::RunMessageLoop() {
    auto self = QueueOfThisThread(true);
    std::unique_lock lock(self->mutex);
    for (;;) {
        if (!self->sent.empty()) {
            auto sent = self->sent.front();
            self->sent.pop_front();
            lock.unlock();
            Process(sent);
            lock.lock();
            continue;
        }
        if (!self->posted.empty()) {
            PostedMessage posted = self->posted.front();
            self->posted.pop_front();
            lock.unlock();
            Deliver(posted.window, posted.message, posted.wParam, posted.lParam);
            lock.lock();
            continue;
        }
        if (self->quitRequests > 0) {
            --self->quitRequests;
            return self->quitCode;
        }
        auto now = std::chrono::steady_clock::now();
        auto next = std::min_element(self->timers.begin(), self->timers.end(),
                                     [](const Timer& a, const Timer& b) { return a.due < b.due; });
        if (next != self->timers.end() && next->due <= now) {
            next->due = now + next->period;
            PostedMessage tick{next->window, msg::kTimer, next->id, 0};
            lock.unlock();
            Deliver(tick.window, tick.message, tick.wParam, tick.lParam);
            lock.lock();
            continue;
        }
        if (next != self->timers.end()) {
            self->wake.wait_until(lock, next->due);
        } else {
            self->wake.wait(lock);
        }
    }
}

void InProcessDesktop::PumpSentMessages(std::chrono::milliseconds maxWait) {
    auto self = QueueOfThisThread(false);
    if (!self) {
        std::this_thread::sleep_for(maxWait);
        return;
    }
    std::unique_lock lock(self->mutex);
    self->wake.wait_for(lock, maxWait, [&] { return !self->sent.empty(); });
    while (!self->sent.empty()) {
        auto sent = self->sent.front();
        self->sent.pop_front();
        lock.unlock();
        Process(sent);
        lock.lock();
    }
}

void InProcessDesktop::PostQuit(int exitCode) {
    auto self = QueueOfThisThread(true);
    {
        std::lock_guard lock(self->mutex);
        ++self->quitRequests;
        self->quitCode = exitCode;
    }
    self->wake.notify_all();
}

std::vector<WindowHandle> InProcessDesktop::TopLevelWindows() {
    std::lock_guard lock(m_mutex);
    std::vector<WindowHandle> windows;
    for (const auto& [handle, window] : m_windows) {
        if (window.parent == 0) windows.push_back(handle);
    }
    return windows;
}

WindowHandle InProcessDesktop::AddWindow(Window window) {
    std::lock_guard lock(m_mutex);
    if (window.parent != 0 && !m_windows.count(window.parent)) return 0;
    WindowHandle handle = m_nextHandle;
    m_nextHandle += 4;
    m_windows.emplace(handle, std::move(window));
    return handle;
}

// Depth first, each level in creation order: the order EnumChildWindows gives.
void InProcessDesktop::DescendantsLocked(WindowHandle parent,
                                         std::vector<Desktop::ChildWindow>* out) {
    for (const auto& [handle, window] : m_windows) {
        if (window.parent != parent) continue;
        out->push_back({handle, window.className});
        DescendantsLocked(handle, out);
    }
}

// As the system does: the window hears WM_DESTROY first, while its children
// still exist, then each child goes the same way, whichever thread owns it
// (a child of another thread hears it through a bounded send).
void InProcessDesktop::DestroyTree(WindowHandle window) {
    std::shared_ptr<ThreadQueue> owner;
    if (!LookUp(window, nullptr, &owner)) return;
    if (owner == QueueOfThisThread(false)) {
        Deliver(window, msg::kDestroy, 0, 0);
    } else {
        Send(window, msg::kDestroy, 0, 0, kDestroyTimeout);
    }
    std::vector<WindowHandle> children;
    {
        std::lock_guard lock(m_mutex);
        for (const auto& [handle, entry] : m_windows) {
            if (entry.parent == window) children.push_back(handle);
        }
    }
    for (WindowHandle child : children) DestroyTree(child);
    {
        std::lock_guard lock(m_mutex);
        m_windows.erase(window);
        if (m_foreground == window) m_foreground = 0;
        if (m_focus == window) m_focus = 0;
    }
    std::lock_guard lock(owner->mutex);
    std::erase_if(owner->timers, [window](const Timer& t) { return t.window == window; });
}

// ---------------------------------------------------------------------------

InProcessDesktop::Program::Program(InProcessDesktop& desktop, std::string name)
    : m_desktop(desktop), m_name(std::move(name)) {}

std::uint32_t InProcessDesktop::Program::RegisterMessage(const std::string& name) {
    if (name.empty()) return 0;
    std::string key = name;
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::lock_guard lock(m_desktop.m_mutex);
    auto [it, inserted] = m_desktop.m_registeredMessages.emplace(
        key, static_cast<std::uint32_t>(0xC000 + m_desktop.m_registeredMessages.size()));
    return it->second;
}

bool InProcessDesktop::Program::RegisterWindowClass(const std::string& className,
                                                    const std::string& /*iconFile*/) {
    if (className.empty()) return false;
    std::lock_guard lock(m_classMutex);
    return m_classes.insert(className).second;
}

void InProcessDesktop::Program::UnregisterWindowClass(const std::string& className) {
    std::lock_guard lock(m_classMutex);
    m_classes.erase(className);
}

bool InProcessDesktop::Program::HasClass(const std::string& className) {
    std::lock_guard lock(m_classMutex);
    return m_classes.count(className) != 0;
}

WindowHandle InProcessDesktop::Program::CreateHiddenWindow(const std::string& className,
                                                           const std::string& title,
                                                           WindowProc procedure) {
    if (!HasClass(className)) return 0;
    auto owner = m_desktop.QueueOfThisThread(true);
    return m_desktop.AddWindow(Window{className, title, std::move(procedure), owner, this});
}

WindowHandle InProcessDesktop::Program::CreateChildWindow(WindowHandle parent,
                                                          const std::string& className,
                                                          WindowProc procedure) {
    if (!HasClass(className) || parent == 0) return 0;
    auto owner = m_desktop.QueueOfThisThread(true);
    return m_desktop.AddWindow(Window{className, {}, std::move(procedure), owner, this, parent});
}

void InProcessDesktop::Program::ShowWindow(WindowHandle window, bool visible) {
    std::lock_guard lock(m_desktop.m_mutex);
    auto it = m_desktop.m_windows.find(window);
    if (it != m_desktop.m_windows.end()) it->second.visible = visible;
}

void InProcessDesktop::Program::SetFocus(WindowHandle window) {
    std::lock_guard lock(m_desktop.m_mutex);
    if (window == 0 || m_desktop.m_windows.count(window)) m_desktop.m_focus = window;
}

bool InProcessDesktop::Program::DestroyWindow(WindowHandle window) {
    std::shared_ptr<ThreadQueue> owner;
    if (!m_desktop.LookUp(window, nullptr, &owner)) return false;
    if (owner != m_desktop.QueueOfThisThread(false)) return false;  // only the owner may
    m_desktop.DestroyTree(window);
    return true;
}

LParam InProcessDesktop::Program::DefaultProcedure(WindowHandle, std::uint32_t, WParam, LParam) {
    return 0;
}

int InProcessDesktop::Program::RunMessageLoop() {
    return m_desktop.RunMessageLoop();
}

void InProcessDesktop::Program::PostQuit(int exitCode) {
    m_desktop.PostQuit(exitCode);
}

bool InProcessDesktop::Program::Post(WindowHandle window, std::uint32_t message, WParam wParam,
                                     LParam lParam) {
    return m_desktop.Post(window, message, wParam, lParam);
}

std::optional<LParam> InProcessDesktop::Program::Send(WindowHandle window, std::uint32_t message,
                                                      WParam wParam, LParam lParam,
                                                      std::chrono::milliseconds timeout) {
    return m_desktop.Send(window, message, wParam, lParam, timeout);
}

void InProcessDesktop::Program::Broadcast(std::uint32_t message, WParam wParam, LParam lParam,
                                          std::chrono::milliseconds timeout) {
    for (WindowHandle window : m_desktop.TopLevelWindows()) {
        m_desktop.Send(window, message, wParam, lParam, timeout);
    }
}

bool InProcessDesktop::Program::SetTimer(WindowHandle window, std::uintptr_t timerId,
                                         unsigned periodMs) {
    std::shared_ptr<ThreadQueue> owner;
    if (!m_desktop.LookUp(window, nullptr, &owner)) return false;
    auto period = std::chrono::milliseconds(periodMs);
    {
        std::lock_guard lock(owner->mutex);
        std::erase_if(owner->timers,
                      [&](const Timer& t) { return t.window == window && t.id == timerId; });
        owner->timers.push_back(
            {window, timerId, period, std::chrono::steady_clock::now() + period});
    }
    owner->wake.notify_all();
    return true;
}

void InProcessDesktop::Program::KillTimer(WindowHandle window, std::uintptr_t timerId) {
    std::shared_ptr<ThreadQueue> owner;
    if (!m_desktop.LookUp(window, nullptr, &owner)) return;
    std::lock_guard lock(owner->mutex);
    std::erase_if(owner->timers,
                  [&](const Timer& t) { return t.window == window && t.id == timerId; });
}

void InProcessDesktop::Program::PumpSentMessages(std::chrono::milliseconds maxWait) {
    m_desktop.PumpSentMessages(maxWait);
}

WindowHandle InProcessDesktop::Program::FindTopLevelWindow(const std::string& className,
                                                           const std::string* title) {
    std::lock_guard lock(m_desktop.m_mutex);
    for (const auto& [handle, window] : m_desktop.m_windows) {
        if (window.parent != 0) continue;
        if (window.className == className && (title == nullptr || window.title == *title)) {
            return handle;
        }
    }
    return 0;
}

bool InProcessDesktop::Program::IsWindow(WindowHandle window) {
    return m_desktop.LookUp(window, nullptr, nullptr);
}

WindowHandle InProcessDesktop::Program::ForegroundWindow() {
    std::lock_guard lock(m_desktop.m_mutex);
    return m_desktop.m_foreground;
}

std::vector<Desktop::ChildWindow> InProcessDesktop::Program::ChildWindows(WindowHandle parent) {
    std::vector<ChildWindow> children;
    if (parent == 0) return children;
    std::lock_guard lock(m_desktop.m_mutex);
    m_desktop.DescendantsLocked(parent, &children);
    return children;
}

bool InProcessDesktop::Program::IsWindowVisible(WindowHandle window) {
    if (window == 0) return false;  // no window is not a shown one
    std::lock_guard lock(m_desktop.m_mutex);
    while (window != 0) {
        auto it = m_desktop.m_windows.find(window);
        if (it == m_desktop.m_windows.end() || !it->second.visible) return false;
        window = it->second.parent;
    }
    return true;
}

int InProcessDesktop::Program::SelectedTab(WindowHandle tabControl) {
    if (tabControl == 0) return -1;
    auto answer = m_desktop.Send(tabControl, msg::kTabGetCurSel, 0, 0, kTabQueryTimeout);
    return answer ? static_cast<int>(*answer) : -1;
}

void InProcessDesktop::Program::PostClick(WindowHandle window, int x, int y) {
    m_desktop.Post(window, msg::kLeftButtonDown, kLeftButtonFlag, ClientPosition(x, y));
    m_desktop.Post(window, msg::kLeftButtonUp, 0, ClientPosition(x, y));
}

void InProcessDesktop::Program::PostClose(WindowHandle window) {
    m_desktop.Post(window, msg::kClose, 0, 0);
}

void InProcessDesktop::Program::PostSystemCommand(WindowHandle window, unsigned command) {
    m_desktop.Post(window, msg::kSysCommand, command, 0);
}

void InProcessDesktop::Program::PostClickActivate(WindowHandle window) {
    m_desktop.Post(window, msg::kActivate, kClickActive, 0);
}

void InProcessDesktop::Program::BringToForeground(WindowHandle window) {
    std::lock_guard lock(m_desktop.m_mutex);
    if (m_desktop.m_windows.count(window)) m_desktop.m_foreground = window;
}

// As the system's keyboard input: the event goes to the focused window's
// queue (wParam the virtual key, lParam the repeat count, scan code and the
// previous-state and transition bits of a key release).
void InProcessDesktop::Program::InjectKey(std::uint8_t virtualKey, std::uint8_t scanCode,
                                          bool keyUp) {
    WindowHandle focus = m_desktop.FocusWindow();
    if (focus == 0) return;
    std::uint32_t bits = 1u | (static_cast<std::uint32_t>(scanCode) << 16);
    if (keyUp) bits |= 0xC0000000u;
    m_desktop.Post(focus, keyUp ? msg::kKeyUp : msg::kKeyDown, virtualKey,
                   static_cast<LParam>(static_cast<std::int32_t>(bits)));
}

}  // namespace kestrava
