// The front end of a build without a terminal library: never available.
#include "TerminalFrontEnd.h"

namespace kestrava::terminal {

bool TerminalFrontEnd::Available() {
    return false;
}

TerminalFrontEnd::TerminalFrontEnd(ScreenModel& screen, Peers peers, std::string dumpPath)
    : m_screen(screen),
      m_actions(screen, peers),
      m_handset(peers.handset),
      m_dumpPath(std::move(dumpPath)) {}

TerminalFrontEnd::~TerminalFrontEnd() = default;

bool TerminalFrontEnd::Start(int, int) {
    return false;
}

void TerminalFrontEnd::Stop() {}

}  // namespace kestrava::terminal
