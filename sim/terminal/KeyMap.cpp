#include "KeyMap.h"

#include <algorithm>

namespace kestrava::terminal {

namespace {

KeyBinding Handset(int key, const char* name, std::uint8_t code, const char* what) {
    return {key, name, KeyKind::Handset, {code, 0}, ClientAction::None, "", what};
}

KeyBinding List(int key, const char* name, std::uint8_t mode, std::uint8_t first,
                const char* what) {
    return {key, name, KeyKind::List, {mode, first}, ClientAction::None, "", what};
}

KeyBinding Client(int key, const char* name, ClientAction action, const char* handle,
                  const char* what) {
    return {key, name, KeyKind::Client, {}, action, handle, what};
}

std::vector<KeyBinding> MakeBindings() {
    std::vector<KeyBinding> bindings;
    static const char* const kDigitNames[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    for (int digit = 0; digit <= 9; ++digit) {
        bindings.push_back(Handset('0' + digit, kDigitNames[digit],
                                   static_cast<std::uint8_t>(0xB0 + digit), "keypad digit"));
    }
    bindings.insert(
        bindings.end(),
        {
            Handset('*', "*", 0xBA, "keypad star"),
            Handset('#', "#", 0xBB, "keypad pound"),
            Handset('+', "+", 0xBE, "keypad plus"),
            Handset('l', "l", 0x1F, "lift the receiver (answers a ringing call)"),
            Handset('h', "h", 0x20, "put the receiver down (ends the call)"),
            Handset(key::kEnter, "Enter", 0x31, "send (dials what was typed)"),
            Handset(key::kBackspace, "Backspace", 0x40, "clear"),
            Handset('o', "o", 0x23, "hold / resume"),
            Handset('m', "m", 0x2F, "mute on"),
            Handset('u', "u", 0x2E, "mute off"),
            Handset(key::kUp, "Up", 0xBC, "up"),
            Handset(key::kDown, "Down", 0xBD, "down"),
            Handset(key::kRight, "Right", 0xBF, "right"),
            List('c', "c", 0x60, 0x6A, "contacts list (reachable contacts)"),
            List('a', "a", 0x60, 0x6B, "contacts list (all contacts)"),
            List('r', "r", 0x6E, 0x6A, "received calls"),
            List('d', "d", 0x6E, 0x6B, "dialed calls"),
            List('x', "x", 0x6E, 0x6D, "missed calls"),
            Handset('n', "n", 0x62, "next entry of the list"),
            Handset('p', "p", 0x61, "previous entry of the list"),
            Handset(key::kEscape, "Esc", 0x6F, "leave the list"),
            Handset(key::kF1, "F1", 0x73, "status key: online"),
            Handset(key::kF1 + 1, "F2", 0x76, "status key: away"),
            Handset(key::kF1 + 2, "F3", 0x77, "status key: not available"),
            Handset(key::kF1 + 3, "F4", 0x72, "status key: do not disturb"),
            Handset(key::kF1 + 4, "F5", 0x75, "status key: Skype me"),
            Handset(key::kF1 + 5, "F6", 0x78, "status key: invisible"),
            Handset(key::kF1 + 6, "F7", 0x74, "status key: offline"),
            Client('W', "W", ClientAction::IncomingCall, "wang.xiaoming",
                   "Skype: incoming call from \xE7\x8E\x8B\xE5\xB0\x8F\xE6\x98\x8E"),
            Client('Y', "Y", ClientAction::IncomingCall, "yamada.taro",
                   "Skype: incoming call from "
                   "\xE5\xB1\xB1\xE7\x94\xB0\xE5\xA4\xAA\xE9\x83\x8E"),
            Client('A', "A", ClientAction::IncomingCall, "alice.liddell",
                   "Skype: incoming call from Alice"),
            Client('E', "E", ClientAction::CallerHangsUp, "", "Skype: the caller hangs up"),
            Client('S', "S", ClientAction::SecondCall, "", "Skype: a second call comes in"),
            Client('M', "M", ClientAction::MissedCall, "alice.liddell",
                   "Skype: a missed call from Alice"),
            Client('U', "U", ClientAction::NextUserStatus, "", "Skype: the user's status changes"),
            Client('G', "G", ClientAction::SkypeGoesAway, "", "Skype goes away (offline)"),
            Client('B', "B", ClientAction::SkypeComesBack, "", "Skype comes back (online)"),
            {'t',
             "t",
             KeyKind::Reports,
             {},
             ClientAction::None,
             "",
             "show / hide the handset's reports in the log"},
            {'?', "?", KeyKind::Help, {}, ClientAction::None, "", "show / hide this key map"},
            {'q', "q", KeyKind::Quit, {}, ClientAction::None, "", "quit (also Ctrl-C)"},
            {key::kCtrlC, "Ctrl-C", KeyKind::Quit, {}, ClientAction::None, "", "quit"},
        });
    return bindings;
}

}  // namespace

const std::vector<KeyBinding>& KeyBindings() {
    static const std::vector<KeyBinding> bindings = MakeBindings();
    return bindings;
}

const KeyBinding* FindBinding(int key) {
    const auto& bindings = KeyBindings();
    auto it = std::find_if(bindings.begin(), bindings.end(),
                           [key](const KeyBinding& binding) { return binding.key == key; });
    return it == bindings.end() ? nullptr : &*it;
}

std::vector<std::string> KeyMapText() {
    std::vector<std::string> lines{"Keys (lower case: the handset; upper case: Skype):"};
    for (const KeyBinding& binding : KeyBindings()) {
        if (binding.key == key::kCtrlC) continue;  // said with q
        std::string name = binding.keyName;
        if (name.size() < 10) name.resize(10, ' ');
        lines.push_back("  " + name + binding.what);
    }
    lines.push_back("To take a call: W (王小明 calls), l (lift), h (hang up).");
    return lines;
}

const std::vector<std::string>& UserStatusCycle() {
    static const std::vector<std::string> cycle{"ONLINE",  "AWAY",      "NA",     "DND",
                                                "SKYPEME", "INVISIBLE", "OFFLINE"};
    return cycle;
}

std::string NextUserStatus(const std::string& current) {
    const auto& cycle = UserStatusCycle();
    auto it = std::find(cycle.begin(), cycle.end(), current);
    if (it == cycle.end() || ++it == cycle.end()) return cycle.front();
    return *it;
}

}  // namespace kestrava::terminal
