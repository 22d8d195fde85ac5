// POSIX side of the read thread: std::thread, delivery through the record
// that the program passed as its window (include/HidNotifyTarget.h).
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "HidNotifyTarget.h"
#include "ReadThread.h"
#include "platform/Pause.h"

namespace ondrel {

namespace {

// Copies the record behind `address` without trusting that the address is
// mapped: a program that passes a bare window handle must not crash us.
bool ReadTargetSafely(WindowHandle address, HidNotifyTarget* out) {
    iovec local{out, sizeof(*out)};
    iovec remote{reinterpret_cast<void*>(address), sizeof(*out)};
    ssize_t got = process_vm_readv(getpid(), &local, 1, &remote, 1, 0);
    return got == static_cast<ssize_t>(sizeof(*out));
}

const HidNotifyTarget* TargetOf(WindowHandle window) {
    return reinterpret_cast<const HidNotifyTarget*>(window);
}

}  // namespace

NotifyRoute NotifyRoute::Resolve(WindowHandle window) {
    NotifyRoute route;
    if (window == 0) return route;
    HidNotifyTarget copy{};
    if (!ReadTargetSafely(window, &copy) || copy.magic != kHidNotifyTargetMagic ||
        copy.version < 1 || copy.deliver == nullptr) {
        std::fprintf(stderr,
                     "Ondrel: window %#llx is not a notify target; input reports are only "
                     "traced\n",
                     static_cast<unsigned long long>(window));
        return route;
    }
    route.m_window = window;
    return route;
}

bool NotifyRoute::Deliver(std::uint32_t message, std::uintptr_t wParam,
                          std::intptr_t lParam) const {
    if (!m_window) return false;
    const HidNotifyTarget* target = TargetOf(m_window);
    return target->deliver(target->context, message, wParam, lParam) != 0;
}

void NotifyRoute::PumpSentMessages(std::chrono::milliseconds wait) const {
    const HidNotifyTarget* target = m_window ? TargetOf(m_window) : nullptr;
    if (target && target->pumpSentMessages) {
        target->pumpSentMessages(target->context, static_cast<std::uint32_t>(wait.count()));
    } else {
        std::this_thread::sleep_for(wait);
    }
}

struct ReadThread::State {
    struct Shared {
        std::mutex mutex;
        std::condition_variable ended;
        bool done = false;
    };
    std::thread thread;
    std::shared_ptr<Shared> shared;
};

ReadThread::ReadThread() : m_state(std::make_unique<State>()) {}

ReadThread::~ReadThread() {
    // The owner stops the thread first; a thread left running must not take
    // the process down with std::terminate.
    if (m_state->thread.joinable()) m_state->thread.detach();
}

bool ReadThread::Start(std::function<void()> body) {
    auto shared = std::make_shared<State::Shared>();
    try {
        m_state->thread = std::thread([shared, body = std::move(body)] {
            body();
            std::lock_guard lock(shared->mutex);
            shared->done = true;
            shared->ended.notify_all();
        });
    } catch (const std::system_error&) {
        return false;
    }
    m_state->shared = std::move(shared);
    return true;
}

bool ReadThread::Exists() const {
    return m_state->thread.joinable();
}

bool ReadThread::Stop(const NotifyRoute& route, std::chrono::milliseconds grace) {
    if (!Exists()) return true;
    // Ordinary threads have no priority levels here; the pause stays, it is
    // part of the stop sequence.
    kestrava::Pause(std::chrono::milliseconds(3));
    auto shared = m_state->shared;
    auto deadline = std::chrono::steady_clock::now() + grace;
    bool ended = false;
    for (;;) {
        {
            std::unique_lock lock(shared->mutex);
            if (shared->done) {
                ended = true;
                break;
            }
            if (!route.IsSet()) {
                ended = shared->ended.wait_until(lock, deadline, [&] { return shared->done; });
                break;
            }
        }
        auto now = std::chrono::steady_clock::now();
        if (now >= deadline) break;
        auto slice = std::min<std::chrono::steady_clock::duration>(deadline - now,
                                                                   std::chrono::milliseconds(5));
        route.PumpSentMessages(
            std::max(std::chrono::milliseconds(1),
                     std::chrono::duration_cast<std::chrono::milliseconds>(slice)));
    }
    if (ended) {
        m_state->thread.join();
    } else {
        // No forced termination here: the thread keeps only what it shares
        // with us through reference counts and ends on its own later.
        m_state->thread.detach();
    }
    m_state->shared.reset();
    return ended;
}

}  // namespace ondrel
