#include "Pause.h"

#include <atomic>
#include <thread>

namespace kestrava {

namespace {
std::atomic<PauseHook> g_hook{nullptr};
}

void Pause(std::chrono::milliseconds duration) {
    if (PauseHook hook = g_hook.load(std::memory_order_acquire)) {
        hook(duration);
        return;
    }
    std::this_thread::sleep_for(duration);
}

void SetPauseHook(PauseHook hook) {
    g_hook.store(hook, std::memory_order_release);
}

}  // namespace kestrava
