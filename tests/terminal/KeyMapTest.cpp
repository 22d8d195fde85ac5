// The interactive simulation's key map.
#include <gtest/gtest.h>

#include <set>

#include "sim/terminal/KeyMap.h"

namespace kestrava::terminal {
namespace {

TEST(KeyMap, EachHandsetKeySendsItsKeyCodes) {
    struct Case {
        int key;
        KeyKind kind;
        std::array<std::uint8_t, 2> codes;
    };
    const Case cases[] = {
        {'0', KeyKind::Handset, {0xB0, 0}},
        {'9', KeyKind::Handset, {0xB9, 0}},
        {'*', KeyKind::Handset, {0xBA, 0}},
        {'#', KeyKind::Handset, {0xBB, 0}},
        {'+', KeyKind::Handset, {0xBE, 0}},
        {'l', KeyKind::Handset, {0x1F, 0}},
        {'h', KeyKind::Handset, {0x20, 0}},
        {key::kEnter, KeyKind::Handset, {0x31, 0}},
        {key::kBackspace, KeyKind::Handset, {0x40, 0}},
        {'o', KeyKind::Handset, {0x23, 0}},
        {key::kUp, KeyKind::Handset, {0xBC, 0}},
        {key::kDown, KeyKind::Handset, {0xBD, 0}},
        {key::kRight, KeyKind::Handset, {0xBF, 0}},
        {'m', KeyKind::Handset, {0x2F, 0}},
        {'u', KeyKind::Handset, {0x2E, 0}},
        {key::kEscape, KeyKind::Handset, {0x6F, 0}},
        {'c', KeyKind::List, {0x60, 0x6A}},
        {'a', KeyKind::List, {0x60, 0x6B}},
        {'r', KeyKind::List, {0x6E, 0x6A}},
        {'d', KeyKind::List, {0x6E, 0x6B}},
        {'x', KeyKind::List, {0x6E, 0x6D}},
        {key::kF1, KeyKind::Handset, {0x73, 0}},
        {key::kF1 + 3, KeyKind::Handset, {0x72, 0}},
        {key::kF1 + 6, KeyKind::Handset, {0x74, 0}},
    };
    for (const Case& c : cases) {
        const KeyBinding* binding = FindBinding(c.key);
        ASSERT_NE(binding, nullptr) << c.key;
        EXPECT_EQ(binding->kind, c.kind) << binding->keyName;
        EXPECT_EQ(binding->codes, c.codes) << binding->keyName;
    }
}

TEST(KeyMap, UpperCaseLettersMakeTheClientAct) {
    struct Case {
        int key;
        ClientAction action;
        std::string handle;
    };
    const Case cases[] = {
        {'W', ClientAction::IncomingCall, "wang.xiaoming"},
        {'Y', ClientAction::IncomingCall, "yamada.taro"},
        {'A', ClientAction::IncomingCall, "alice.liddell"},
        {'E', ClientAction::CallerHangsUp, ""},
        {'S', ClientAction::SecondCall, ""},
        {'M', ClientAction::MissedCall, "alice.liddell"},
        {'U', ClientAction::NextUserStatus, ""},
        {'G', ClientAction::SkypeGoesAway, ""},
        {'B', ClientAction::SkypeComesBack, ""},
    };
    for (const Case& c : cases) {
        const KeyBinding* binding = FindBinding(c.key);
        ASSERT_NE(binding, nullptr) << char(c.key);
        EXPECT_EQ(binding->kind, KeyKind::Client) << char(c.key);
        EXPECT_EQ(binding->action, c.action) << char(c.key);
        EXPECT_EQ(binding->handle, c.handle) << char(c.key);
    }
}

TEST(KeyMap, NoKeyIsBoundTwiceAndEveryHandsetKeyHasACode) {
    std::set<int> keys;
    for (const KeyBinding& binding : KeyBindings()) {
        EXPECT_TRUE(keys.insert(binding.key).second) << binding.keyName << " is bound twice";
        if (binding.kind == KeyKind::Handset || binding.kind == KeyKind::List) {
            EXPECT_NE(binding.codes[0], 0) << binding.keyName;
        }
    }
    EXPECT_EQ(FindBinding('Z'), nullptr);
    EXPECT_EQ(FindBinding('q')->kind, KeyKind::Quit);
    EXPECT_EQ(FindBinding(key::kCtrlC)->kind, KeyKind::Quit);
    EXPECT_EQ(FindBinding('?')->kind, KeyKind::Help);
}

TEST(KeyMap, TheHelpNamesEveryKeyAndHowToTakeACall) {
    std::string help;
    for (const std::string& line : KeyMapText()) help += line + "\n";
    for (const KeyBinding& binding : KeyBindings()) {
        if (binding.key == key::kCtrlC) continue;
        EXPECT_NE(help.find("  " + std::string(binding.keyName) + " "), std::string::npos)
            << binding.keyName;
    }
    EXPECT_NE(help.find("To take a call"), std::string::npos);
}

TEST(KeyMap, TheStatusKeyStepsThroughEveryStatusAndStartsAgain) {
    std::string status = "ONLINE";
    std::vector<std::string> seen;
    for (std::size_t i = 0; i < UserStatusCycle().size(); ++i) {
        status = NextUserStatus(status);
        seen.push_back(status);
    }
    EXPECT_EQ(seen.back(), "ONLINE");
    EXPECT_EQ(std::set<std::string>(seen.begin(), seen.end()).size(), UserStatusCycle().size());
    EXPECT_EQ(NextUserStatus("UNKNOWN"), "ONLINE");
}

}  // namespace
}  // namespace kestrava::terminal
