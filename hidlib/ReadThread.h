// The read thread's platform side: the thread itself, the synchronous
// delivery of a report message to the notify window, and the stop wait that
// keeps handling messages sent to the stopping thread's windows.
//
// Why the stop wait pumps: the read thread delivers each report with a
// synchronous send to a window that belongs to the thread calling
// StopReading. If that thread simply blocked on the read thread, a report in
// flight could never be handled, the read thread could never end, and the
// report would be lost when the thread is killed. So the wait handles sent
// messages until the read thread has ended by itself; killing (Windows) or
// detaching (POSIX) it is left for a thread that misses the grace time.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

namespace ondrel {

using WindowHandle = std::uintptr_t;

// What StartReading's window argument resolves to.
class NotifyRoute {
  public:
    // A null route: reports are traced, nothing is sent.
    NotifyRoute() = default;
    static NotifyRoute Resolve(WindowHandle window);

    bool IsSet() const { return m_window != 0; }
    // Synchronous: returns when the window has handled the message.
    bool Deliver(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) const;
    // Handles messages sent to the calling thread's windows, waiting at most `wait`.
    void PumpSentMessages(std::chrono::milliseconds wait) const;

  private:
    WindowHandle m_window = 0;
};

class ReadThread {
  public:
    ReadThread();
    ~ReadThread();
    ReadThread(const ReadThread&) = delete;
    ReadThread& operator=(const ReadThread&) = delete;

    // False when the thread cannot be created.
    bool Start(std::function<void()> body);
    bool Exists() const;

    // Raises the thread's priority, pauses 3 ms, then waits up to `grace` for
    // it to end while handling messages sent to the caller's windows through
    // `route`. A thread still alive then is terminated (Windows) or detached
    // (POSIX). The thread is forgotten either way. True when it ended by itself.
    bool Stop(const NotifyRoute& route, std::chrono::milliseconds grace);

  private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace ondrel
