// A stand-in for the program's window on POSIX: a HidNotifyTarget whose
// deliver() waits, like a synchronous window message, until the owning thread
// has handled the report; the owner handles sent reports only while it pumps.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>

#include "HidNotifyTarget.h"

namespace ondrel::testing {

class TestWindow {
  public:
    struct Message {
        std::uint32_t message;
        std::uintptr_t wParam;
        std::intptr_t lParam;
    };

    TestWindow() : m_target{kHidNotifyTargetMagic, 1, this, &Deliver, &Pump} {}

    std::uintptr_t Handle() const { return reinterpret_cast<std::uintptr_t>(&m_target); }

    // Handles sent messages on the calling (owning) thread for up to `wait`.
    void PumpFor(std::chrono::milliseconds wait) { PumpOnce(wait); }
    // Waits until a report is waiting to be handled (the sender is blocked).
    bool WaitForPendingSend(std::chrono::milliseconds timeout) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return !m_pending.empty(); });
    }
    std::vector<Message> Handled() {
        std::lock_guard lock(m_mutex);
        return m_handled;
    }
    bool WaitForHandled(std::size_t count, std::chrono::milliseconds timeout) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return m_handled.size() >= count; });
    }

  private:
    struct Pending {
        Message message;
        bool done = false;
    };

    static int Deliver(void* context, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam) {
        auto* self = static_cast<TestWindow*>(context);
        Pending pending{{message, wParam, lParam}};
        std::unique_lock lock(self->m_mutex);
        self->m_pending.push_back(&pending);
        self->m_changed.notify_all();
        self->m_changed.wait(lock, [&] { return pending.done; });
        return 1;
    }
    static void Pump(void* context, std::uint32_t maxWaitMs) {
        static_cast<TestWindow*>(context)->PumpOnce(std::chrono::milliseconds(maxWaitMs));
    }
    void PumpOnce(std::chrono::milliseconds wait) {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, wait, [&] { return !m_pending.empty(); });
        while (!m_pending.empty()) {
            Pending* pending = m_pending.front();
            m_pending.pop_front();
            m_handled.push_back(pending->message);
            pending->done = true;
        }
        m_changed.notify_all();
    }

    HidNotifyTarget m_target;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Pending*> m_pending;
    std::vector<Message> m_handled;
};

}  // namespace ondrel::testing
