// A timed script for the simulated Skype client and the person at the handset.
//
// One step per line: the time in milliseconds from the start, an action and its
// arguments. Blank lines and lines starting with '#' are skipped. Each step
// tells what happens outside the program; the program's answers to it are its
// own (an incoming call rings until the program or the person at the client
// answers it).
//
//   0     announce                     the client's API becomes available (0x8001)
//   1500  incoming 101 wang.xiaoming   call 101 from a contact rings (its name is the caller's)
//   3000  answer 101                   answered at the client (an outgoing call: by the far end)
//   4000  hold 101                     held at the client
//   5000  resume 101                   resumed at the client
//   6000  finish 101                   the far end hangs up an answered or held call
//   7000  incoming 102 yamada.taro
//   9000  missed 102                   the caller gives up before anybody answers
//   9500  missed 103 alice.liddell     call 103 rings and is missed at once
//   9800  cancel 104                   a ringing call ends before answer (the caller hangs up)
//   10000 outgoing 105 echo123         call 105 to a contact is placed
//   11000 notify USERSTATUS AWAY       any line, sent as it is (for odd cases)
//   11500 online yamada.taro ONLINE    a contact's online status changes (ONLINE, OFFLINE,
//                                      AWAY, NA, DND, SKYPEME, SKYPEOUT, UNKNOWN)
//   11800 connstatus CONNECTING        the client's connection changes (CONNECTING,
//                                      OFFLINE, ONLINE)
//   12100 confirm                      the client opens its confirmation dialog
//   12200 error                        ... or its error dialog (each closes on a
//                                      close request; one of each kind at a time)
//   12300 tab 2                        the page control's tab 0, 1 or 2 is selected
//                                      at the client (2 shows the dial pad)
//   12400 type 0123*#                  typed into the dial field at the client
//                                      (digits, letters and * # + . _ -)
//   2500  lift                         the receiver is lifted at the handset
//   5500  hangup                       the receiver is put down
//   7500  press 0x61                   a key (code 0..255, decimal or 0x hex) is pressed
//   12000 end                          the scenario is over
//
// Every line is checked when the script is read: a known action, the right
// number of arguments, call ids, key codes, status words, tabs and dial texts
// where they go.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kestrava::sim {

struct ScenarioStep {
    long atMs = 0;
    std::string action;
    std::vector<std::string> arguments;  // split on blanks; for notify, the whole rest
    int callId = 0;                      // the step's call, for the call actions
    int keyCode = -1;                    // the key, for press

    // The step as a script line would say it (without the time).
    std::string Text() const;
};

struct Scenario {
    std::vector<ScenarioStep> steps;  // in time order

    // Parses a script; on a malformed line returns nullopt and says why in
    // `error`, naming the line ("line 3: ...").
    static std::optional<Scenario> Parse(const std::string& text, std::string* error);
    static std::optional<Scenario> Load(const std::string& path, std::string* error);
};

}  // namespace kestrava::sim
