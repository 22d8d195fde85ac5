// A timed script for the simulated Skype client.
//
// One step per line: the time in milliseconds from the start, an action and its
// arguments. Blank lines and lines starting with '#' are skipped.
//
//   0     announce                     the client's API becomes available (0x8001)
//   1500  incoming 101 alice.liddell   call 101 from a contact starts ringing
//   1500  outgoing 102 echo123         call 102 to a contact is placed
//   3000  status 101 INPROGRESS        call 101 changes its status
//   4000  finish 101                   call 101 ends (FAILUREREASON, then FINISHED)
//   4000  missed 103 wang.xiaoming     call 103 rings and is missed
//   5000  notify USERSTATUS AWAY       any line, sent as it is
//   2500  lift                         the receiver is lifted at the handset
//   5500  hangup                       the receiver is put down
//   7500  press 0x61                   a key (code) is pressed at the handset
//   9000  end                          the scenario is over
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kestrava::sim {

struct ScenarioStep {
    long atMs = 0;
    std::string action;
    std::vector<std::string> arguments;  // split on blanks; for notify, the whole rest
};

struct Scenario {
    std::vector<ScenarioStep> steps;  // in time order

    // Parses a script; on a malformed line returns nullopt and says why in `error`.
    static std::optional<Scenario> Parse(const std::string& text, std::string* error);
    static std::optional<Scenario> Load(const std::string& path, std::string* error);
};

}  // namespace kestrava::sim
