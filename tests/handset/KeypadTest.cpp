// The keypad: which keys become which buttons, the list and state keys, the
// dialog's keys; and the key presses the typing buttons inject.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "HandsetTestSupport.h"
#include "handset/ButtonHandler.h"
#include "handset/HandsetCommands.h"
#include "handset/Keypad.h"
#include "handset/Keystrokes.h"
#include "handset/SkypeWindows.h"
#include "protocol/CommandKeys.h"
#include "session/CListManager.h"

namespace kestrava::testing {
namespace {

using ::testing::_;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::InSequence;
using ::testing::IsEmpty;
using ::testing::NiceMock;
using ::testing::Return;

class RecordingButtons : public ButtonHandler {
  public:
    int HandleButton(int code) override {
        pressed.push_back(code);
        return 1;
    }
    std::vector<int> pressed;
};

std::uint32_t KeyReport(std::uint8_t code) {
    return 0x01000000u | (std::uint32_t{code} << 8) | 0x01;
}

class KeypadTest : public HandsetFixture {
  protected:
    int Press(std::uint8_t code) { return keypad.HandleKeyReport(KeyReport(code)); }

    NiceMock<MockSkypeLink> link;
    NiceMock<MockDesktop> desktop;
    NiceMock<MockContactDialog> dialog;
    NiceMock<MockAudio> audio;
    ShellState shellState;
    SkypeWindows windows{desktop, shellState};
    CListManager list;
    RecordingButtons buttons;
    CKeypad keypad{*device, store, list, link, windows, dialog, audio, shell, buttons};
};

TEST_F(KeypadTest, KeysBecomeButtonsWithFocusBeforeThoseThatType) {
    constexpr int kFocus = 0x53;
    struct Case {
        std::uint8_t key;
        std::vector<int> buttons;
    };
    const Case cases[] = {
        {0x1A, {0x1A}},
        {0x1F, {0x1F}},
        {0x20, {0x20}},
        {0x23, {0x23}},
        {0x2E, {0x2E}},
        {0x2F, {0x2F}},
        {0x31, {0x31}},
        {0x40, {0x40}},
        {0x41, {kFocus, 0x41}},
        {0x72, {0x72}},
        {0x78, {0x78}},
        {0xB0, {kFocus, 0xB0}},
        {0xB9, {kFocus, 0xB9}},
        {0xBA, {kFocus, 0xBA}},
        {0xBB, {kFocus, 0xBB}},
        {0xBC, {kFocus, 0xBC}},
        {0xBD, {kFocus, 0xBD}},
        {0xBE, {kFocus, 0xBE}},
        {0xBF, {0xBF}},
        {0x53, {kFocus}},
        {0x06, {}},
        {0x07, {}},
        {0x2D, {}},
        {0xD0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.key));
        buttons.pressed.clear();
        EXPECT_EQ(Press(c.key), 1);
        EXPECT_EQ(buttons.pressed, c.buttons);
    }
}

TEST_F(KeypadTest, HookKeysStopTheProgramsSounds) {
    Press(0x1F);
    Press(0x20);
    Press(0x23);
    EXPECT_EQ(shell.purges, 2);
}

TEST_F(KeypadTest, FocusKeyFlushesTheOutgoingQueueFirst) {
    InSequence order;
    EXPECT_CALL(link, QueueCommand(KEY_SKYPE_FLUSH, _, _))
        .WillOnce([this](unsigned, const char*, int) { EXPECT_THAT(buttons.pressed, IsEmpty()); });
    Press(0x53);
    EXPECT_THAT(buttons.pressed, ElementsAre(0x53));
}

TEST_F(KeypadTest, MuteKeysMarkTheDisplayContent) {
    device->m_nDisplayContent = display::kCallList;
    Press(0x2E);
    EXPECT_EQ(device->m_nDisplayContent, display::kCallList | 0x0008);
    device->m_nDisplayContent = 0;
    Press(0x2F);
    EXPECT_EQ(device->m_nDisplayContent, 0x0004);
}

TEST_F(KeypadTest, ListKeysEnterAndLeaveTheLists) {
    device->m_nDisplayContent = display::kSingleItem | display::kFontMode | display::kCallTimer;
    Press(0x6E);
    EXPECT_EQ(device->m_nDisplayContent, display::kCallList);  // every other bit dropped
    Press(0x60);
    EXPECT_EQ(device->m_nDisplayContent, display::kCallList | display::kContactList);
    EXPECT_EQ(output.Events(), (std::vector<std::string>{Unit(0x00, 0x4F), Unit(0x00, 0x4F)}));
    Press(0x6F);
    EXPECT_EQ(device->m_nDisplayContent, 0);
}

TEST_F(KeypadTest, FirstCallEntryAsksForMissingDetailsOrShowsKnownOnes) {
    ON_CALL(link, FontsSupported()).WillByDefault(Return(true));
    SelectCall(7, 0, 4, 30, 0, "bob");  // received
    store.SetCallHasDetails(7, 0);
    store.AddCall(8, 0);
    store.SetCallType(8, 1);  // dialed
    store.SetCallHasDetails(8, 1);
    device->m_nDisplayContent = display::kCallList;
    {
        InSequence order;
        EXPECT_CALL(link, QueueCommand(KEY_SKYPE_GET_CALL_DURATION, nullptr, 7));
        EXPECT_CALL(link, QueueCommand(KEY_SKYPE_GET_CALL_PARTNER_DISPNAME, nullptr, 7));
        EXPECT_CALL(link, QueueCommand(KEY_SKYPE_GET_CALL_PARTNER_HANDLE, nullptr, 7));
        EXPECT_CALL(link, QueueCommand(KEY_SKYPE_GET_CALL_TIMESTAMP, nullptr, 7));
    }
    Press(0x6A);
    ::testing::Mock::VerifyAndClearExpectations(&link);

    EXPECT_CALL(link, QueueCommand(_, _, _)).Times(0);
    Press(0x6B);
    int type = -1;
    store.GetSelectedType(&type);
    EXPECT_EQ(type, 1);
}

TEST_F(KeypadTest, BalanceIsRenderedOnlyForAHandsetWithDisplay) {
    list.SetBalance(1234);
    EXPECT_CALL(renderer, RenderBalance(_)).Times(0);
    Press(0x2B);
    ::testing::Mock::VerifyAndClearExpectations(&renderer);

    device->m_bHandsetDisplay = 1;
    EXPECT_CALL(renderer, RenderBalance(1234));
    Press(0x2B);
    EXPECT_EQ(device->m_nDisplayContent, display::kFontMode | display::kSingleItem);
    EXPECT_THAT(output.Events(), ElementsAre(Cmd(HS_TEXT_FONT)));
    EXPECT_THAT(pauses.Pauses(), ElementsAre(20));
}

TEST_F(KeypadTest, ArrowsGoToAnOpenDialogAndNotToSkype) {
    ON_CALL(dialog, IsOpen()).WillByDefault(Return(true));
    EXPECT_CALL(dialog, MoveSelection(true));
    EXPECT_CALL(dialog, MoveSelection(false));
    EXPECT_CALL(link, SendStraight(_)).Times(0);
    Press(0xBC);
    Press(0xBD);
    EXPECT_THAT(buttons.pressed, IsEmpty());
}

TEST_F(KeypadTest, DialogAndVolumeKeys) {
    {
        InSequence order;
        EXPECT_CALL(dialog, ListKey(ContactActionDialog::kRedial));
        EXPECT_CALL(dialog, ListKey(ContactActionDialog::kChat));
        EXPECT_CALL(dialog, ListKey(ContactActionDialog::kSendFile));
        EXPECT_CALL(audio, SetSpeakerFader(0, 0));
        EXPECT_CALL(audio, SetSpeakerFader(1, 0));
    }
    for (std::uint8_t key : {0xD0, 0xD2, 0xD3, 0xE9, 0xEA}) Press(key);
}

TEST_F(KeypadTest, ClearKeyClicksTheDialPadGridWhenItShows) {
    shellState.skypePageControl = 0x610;
    shellState.skypeBackgroundGrid = 0x620;
    ON_CALL(desktop, SelectedTab(0x610)).WillByDefault(Return(SkypeWindows::kDialTab));
    ON_CALL(desktop, IsWindowVisible(0x620)).WillByDefault(Return(true));
    EXPECT_CALL(desktop, PostClick(0x620, 44, 14));
    Press(0x40);
    EXPECT_THAT(buttons.pressed, ElementsAre(0x40));
}

// The key presses of the typing buttons, as the desktop receives them.
class KeystrokesTest : public ::testing::Test {
  protected:
    KeystrokesTest() {
        ON_CALL(desktop, InjectKey(_, _, _))
            .WillByDefault([this](std::uint8_t vk, std::uint8_t scan, bool up) {
                char event[32];
                std::snprintf(event, sizeof event, "%s %02X %02X", up ? "up" : "down", vk, scan);
                events.push_back(event);
            });
    }
    PauseRecorder pauses;
    NiceMock<MockDesktop> desktop;
    CKeystrokes keystrokes{desktop};
    std::vector<std::string> events;
};

TEST_F(KeystrokesTest, EachButtonPressesItsKey) {
    struct Case {
        int button;
        std::uint8_t virtualKey, scanCode;
    };
    for (const Case& c : {Case{0xB0, 0x30, 0}, Case{0xB7, 0x37, 7}, Case{0xB9, 0x39, 9},
                          Case{0xBA, 0x6A, 0x6A}, Case{0xBE, 0x6B, 0x6B}, Case{0x41, 0x08, 0x08}}) {
        SCOPED_TRACE(c.button);
        events.clear();
        pauses.Clear();
        EXPECT_TRUE(keystrokes.TypeButton(c.button));
        char down[32], up[32];
        std::snprintf(down, sizeof down, "down %02X %02X", c.virtualKey, c.scanCode);
        std::snprintf(up, sizeof up, "up %02X %02X", c.virtualKey, c.scanCode);
        EXPECT_THAT(events, ElementsAre(down, up));
        EXPECT_THAT(pauses.Pauses(), ElementsAre(33));
    }
}

TEST_F(KeystrokesTest, PoundIsThreeWithLeftShiftHeld) {
    EXPECT_TRUE(keystrokes.TypeButton(0xBB));
    EXPECT_THAT(events, ElementsAre("down A0 A0", "down 33 03", "up 33 03", "up A0 A0"));
    EXPECT_THAT(pauses.Pauses(), ElementsAre(1, 33, 1));
}

TEST_F(KeystrokesTest, OtherButtonsTypeNothing) {
    for (int button : {0xAF, 0xBC, 0xBD, 0xBF, 0x40}) EXPECT_FALSE(keystrokes.TypeButton(button));
    EXPECT_THAT(events, IsEmpty());
}

}  // namespace
}  // namespace kestrava::testing
