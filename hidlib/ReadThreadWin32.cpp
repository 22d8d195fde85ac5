// Windows side of the read thread: a system thread, SendMessage to the notify
// window, and a stop wait that dispatches incoming sent messages.
#include <windows.h>

#include "ReadThread.h"
#include "platform/Pause.h"

namespace ondrel {

NotifyRoute NotifyRoute::Resolve(WindowHandle window) {
    NotifyRoute route;
    route.m_window = window;
    return route;
}

bool NotifyRoute::Deliver(std::uint32_t message, std::uintptr_t wParam,
                          std::intptr_t lParam) const {
    if (!m_window) return false;
    SendMessageA(reinterpret_cast<HWND>(m_window), message, static_cast<WPARAM>(wParam),
                 static_cast<LPARAM>(lParam));
    return true;
}

void NotifyRoute::PumpSentMessages(std::chrono::milliseconds wait) const {
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(wait.count()),
                                  QS_SENDMESSAGE) == WAIT_OBJECT_0) {
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

struct ReadThread::State {
    HANDLE thread = nullptr;
};

namespace {
DWORD WINAPI RunBody(LPVOID parameter) {
    auto* body = static_cast<std::function<void()>*>(parameter);
    (*body)();
    delete body;
    return 0;
}
}  // namespace

ReadThread::ReadThread() : m_state(std::make_unique<State>()) {}

ReadThread::~ReadThread() {
    if (m_state->thread) CloseHandle(m_state->thread);
}

bool ReadThread::Start(std::function<void()> body) {
    auto* heapBody = new std::function<void()>(std::move(body));
    HANDLE thread = CreateThread(nullptr, 0, RunBody, heapBody, 0, nullptr);
    if (!thread) {
        delete heapBody;
        return false;
    }
    m_state->thread = thread;
    return true;
}

bool ReadThread::Exists() const {
    return m_state->thread != nullptr;
}

bool ReadThread::Stop(const NotifyRoute&, std::chrono::milliseconds grace) {
    HANDLE thread = m_state->thread;
    if (!thread) return true;
    SetThreadPriority(thread, THREAD_PRIORITY_HIGHEST);
    kestrava::Pause(std::chrono::milliseconds(3));
    ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(grace.count());
    bool ended = false;
    for (;;) {
        ULONGLONG now = GetTickCount64();
        DWORD remaining = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        DWORD result = MsgWaitForMultipleObjects(1, &thread, FALSE, remaining, QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0) {
            ended = true;
            break;
        }
        if (result != WAIT_OBJECT_0 + 1) break;  // time-out or failure
        // Dispatches the messages other threads are sending to our windows,
        // among them the read thread's report; nothing is removed from the queue.
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    if (!ended) TerminateThread(thread, 0);
    CloseHandle(thread);
    m_state->thread = nullptr;
    return ended;
}

}  // namespace ondrel
