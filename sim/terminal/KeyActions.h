// What a key of the interactive simulation does: presses the simulated
// handset's keys (real key reports, which the program decodes) or asks the
// simulated Skype client to act through its own requests.
#pragma once

#include <functional>
#include <string>

#include "sim/terminal/KeyMap.h"
#include "sim/terminal/ScreenModel.h"

namespace kestrava::sim {
class SimulatedHandset;
class SkypeClientSim;
}  // namespace kestrava::sim

namespace kestrava::terminal {

struct Peers {
    sim::SkypeClientSim& skype;
    sim::SimulatedHandset* handset;               // null when the program runs without one
    std::function<void()> requestExit;            // asks the program to end
    std::function<void(const std::string&)> log;  // one line of the scrolling log
};

class KeyActions {
  public:
    static constexpr int kFirstCallId = 301;  // the demo's and the tests' calls stay below

    KeyActions(ScreenModel& screen, Peers peers) : m_screen(screen), m_peers(std::move(peers)) {}

    // Carries out one key; false once it was the quit key.
    bool Handle(int key);

  private:
    void PressHandsetKeys(const KeyBinding& binding);
    void Act(const KeyBinding& binding);
    void Log(const std::string& line);

    ScreenModel& m_screen;
    Peers m_peers;
    int m_nextCallId = kFirstCallId;
};

}  // namespace kestrava::terminal
