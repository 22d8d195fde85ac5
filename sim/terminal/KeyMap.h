// The interactive simulation's keyboard: which key presses which handset key
// and which makes the simulated Skype client act. Lower case, digits and
// signs are the handset; upper case letters are the client.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrava::terminal {

// Keys beyond plain characters, as the front end reports them.
namespace key {
inline constexpr int kEnter = 0x10001;
inline constexpr int kBackspace = 0x10002;
inline constexpr int kEscape = 0x10003;
inline constexpr int kUp = 0x10004;
inline constexpr int kDown = 0x10005;
inline constexpr int kRight = 0x10006;
inline constexpr int kF1 = 0x10011;  // kF1 + n - 1 is F<n>
inline constexpr int kCtrlC = 0x03;  // when the terminal hands it over as a key
}  // namespace key

enum class KeyKind {
    Handset,  // the handset sends its key codes, in order
    List,     // a list key: leaves a list being browsed first, then as Handset
    Client,   // the simulated Skype client acts
    Help,     // the key map is shown or hidden
    Reports,  // the handset's reports are shown in the log or hidden
    Quit,
};

enum class ClientAction {
    None,
    IncomingCall,    // from the binding's contact
    CallerHangsUp,   // the newest live call: a ringing one is given up, an answered one finished
    SecondCall,      // another contact calls while a call is live
    MissedCall,      // rings and is missed at once
    NextUserStatus,  // the user's own status moves to the next one
    SkypeGoesAway,   // the client loses its connection
    SkypeComesBack,
};

struct KeyBinding {
    int key = 0;
    const char* keyName = "";
    KeyKind kind = KeyKind::Handset;
    std::array<std::uint8_t, 2> codes{};  // handset key codes; 0 for none
    ClientAction action = ClientAction::None;
    const char* handle = "";  // the contact of a client action
    const char* what = "";
};

const std::vector<KeyBinding>& KeyBindings();
// The binding of a key; null for a key that does nothing.
const KeyBinding* FindBinding(int key);
// The key map as lines of text, for the help screen and the README.
std::vector<std::string> KeyMapText();

// The user's statuses in the order the status key steps through them, and
// the one after `current` (the first for an unknown word).
const std::vector<std::string>& UserStatusCycle();
std::string NextUserStatus(const std::string& current);

}  // namespace kestrava::terminal
