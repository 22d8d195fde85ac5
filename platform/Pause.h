// The one sleep function. Fixed pauses between handset commands and the other
// waits the protocol prescribes all go through it, so tests can observe them.
#pragma once

#include <chrono>

namespace kestrava {

void Pause(std::chrono::milliseconds duration);

// Replaces the sleep (tests); nullptr restores the real one. Set it only while
// no other thread pauses.
using PauseHook = void (*)(std::chrono::milliseconds);
void SetPauseHook(PauseHook hook);

}  // namespace kestrava
