// The interactive simulation on a terminal: draws the screen model in place
// and turns key presses into the handset's keys and the client's actions.
// All drawing and key reading happen on one thread of its own, so the
// program's threads never wait for the terminal.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "sim/terminal/KeyActions.h"
#include "sim/terminal/ScreenModel.h"

namespace kestrava::terminal {

class TerminalFrontEnd {
  public:
    // False when the program was built without a terminal library.
    static bool Available();

    // `dumpPath`: when not empty, the screen model's text is written there
    // (replaced whole) after each redraw, for tests that watch the screen.
    TerminalFrontEnd(ScreenModel& screen, Peers peers, std::string dumpPath = {});
    ~TerminalFrontEnd();
    TerminalFrontEnd(const TerminalFrontEnd&) = delete;
    TerminalFrontEnd& operator=(const TerminalFrontEnd&) = delete;

    // Takes over the terminal behind the two descriptors; returns once it is
    // drawn on, false when it could not be set up (the terminal is left as it was).
    bool Start(int terminalIn, int terminalOut);
    // Restores the terminal and ends the thread; safe to call more than once.
    void Stop();

  private:
    void Loop(int terminalIn, int terminalOut);
    void Draw();
    void WriteDump(int lcdWidth) const;

    ScreenModel& m_screen;
    KeyActions m_actions;
    sim::SimulatedHandset* m_handset;
    std::string m_dumpPath;

    std::mutex m_mutex;  // guards the start handshake
    std::condition_variable m_started;
    bool m_bStartDone = false;
    bool m_bStartOk = false;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace kestrava::terminal
