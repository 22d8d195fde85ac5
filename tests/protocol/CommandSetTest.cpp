// Every command text, exactly as Skype must receive it.
#include <cstring>
#include <thread>

#include "EngineFixture.h"
#include "protocol/CommandKeys.h"

namespace kestrava::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::_;
using ::testing::ElementsAre;
using ::testing::Return;

class CommandSetTest : public EngineTest {
  protected:
    // Queues one command and returns what reached Skype ("" when nothing did).
    std::string SendKey(unsigned key, const char* handle = nullptr, int callId = 0) {
        std::size_t before = windows.Sends().size();
        engine->QRV_SendSkypeCommandData(key, handle, callId);
        engine->EnqueueOutgoing("#");  // a marker behind it
        EXPECT_TRUE(windows.WaitForSends(before + 1, 5s));
        auto texts = windows.SentTexts();
        // Wait for the marker so an unsent command cannot hide behind a slow sender.
        auto deadline = std::chrono::steady_clock::now() + 5s;
        while (texts.back() != "#" && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(1ms);
            texts = windows.SentTexts();
        }
        std::vector<std::string> added(texts.begin() + before, texts.end());
        EXPECT_EQ(added.back(), "#");
        return added.size() == 2 ? added[0] : "";
    }
};

TEST_F(CommandSetTest, EveryKeyFormatsItsTextExactly) {
    ON_CALL(links, HandsetAudioDeviceName()).WillByDefault(Return("USB Audio Device"));
    const std::pair<unsigned, const char*> kExpected[] = {
        {1, "PROTOCOL 5"},
        {2, "PING"},
        {3, "SET AUDIO_IN USB Audio Device "},
        {4, "SET AUDIO_OUT USB Audio Device "},
        {5, "GET SKYPEVERSION"},
        {6, "SEARCH FRIENDS"},
        {7, "GET USER alice.liddell ONLINESTATUS"},
        {8, "GET CALL 1234 PARTNER_HANDLE"},
        {9, "GET CALL 1234 PARTNER_DISPNAME"},
        {10, "GET USER alice.liddell FULLNAME"},
        {11, "GET CALL 1234 TYPE"},
        {12, "SEARCH CALLS"},
        {13, "GET CALL 1234 TIMESTAMP"},
        {15, "GET USER alice.liddell DISPLAYNAME"},
        {17, "GET CALL 1234 DURATION"},
        {18, "GET AUDIO_IN"},
        {19, "GET AUDIO_OUT"},
        {20, "HOOK ON"},
        {21, "GET CALL 1234 STATUS"},
        {22, "GET CALL 1234 SEEN"},
        {23, "GET PROFILE PSTN_BALANCE"},
        {24, "GET PRIVILEGE SKYPEOUT"},
        {25, "SEARCH MISSEDCALLS"},
        {27, "SET AUDIO_IN"},
        {28, "SET AUDIO_OUT"},
        {29, "GET CURRENTUSERHANDLE"},
        {30, "GET USERSTATUS"},
        {31, "SET RINGER USB Audio Device "},
        {32, "SET RINGER"},
    };
    for (const auto& [key, text] : kExpected) {
        EXPECT_EQ(SendKey(key, "alice.liddell", 1234), text) << "key " << key;
    }
}

TEST_F(CommandSetTest, OnlyTheLowEightBitsOfTheKeyCountAndUnassignedKeysQueueNothing) {
    EXPECT_EQ(SendKey(0x101), "PROTOCOL 5");
    EXPECT_EQ(SendKey(0x11E), "GET USERSTATUS");
    for (unsigned key : {0u, 14u, 26u, 34u, 255u, 0x10Eu}) {
        EXPECT_EQ(SendKey(key), "") << "key " << key;
    }
}

TEST_F(CommandSetTest, DeviceCommandsNeedTheHandsetDeviceNameButTheResetsDoNot) {
    ON_CALL(links, HandsetAudioDeviceName()).WillByDefault(Return(""));
    EXPECT_EQ(SendKey(KEY_SKYPE_SET_AUDIO_IN), "");
    EXPECT_EQ(SendKey(KEY_SKYPE_SET_AUDIO_OUT), "");
    EXPECT_EQ(SendKey(KEY_SKYPE_SET_RINGER), "");
    EXPECT_EQ(SendKey(KEY_SKYPE_RESET_AUDIO_IN), "SET AUDIO_IN");
    EXPECT_EQ(SendKey(KEY_SKYPE_RESET_AUDIO_OUT), "SET AUDIO_OUT");
    EXPECT_EQ(SendKey(KEY_SKYPE_RESET_RINGER), "SET RINGER");
}

TEST_F(CommandSetTest, TheDeviceNameArrivesAsUtf8AndGoesUnchangedEvenWithARenderer) {
    ::testing::StrictMock<MockLcdRenderer> renderer;  // no conversion may be asked for
    // "USB 电话" (a Simplified Chinese name) in UTF-8, as the mixer controls give it.
    const std::string name = "USB \xE7\x94\xB5\xE8\xAF\x9D";
    ON_CALL(links, HandsetAudioDeviceName()).WillByDefault(Return(name));
    engine->SetRenderer(&renderer);
    EXPECT_EQ(SendKey(KEY_SKYPE_SET_RINGER), "SET RINGER " + name + " ");
    EXPECT_EQ(SendKey(KEY_SKYPE_SET_AUDIO_IN), "SET AUDIO_IN " + name + " ");
    engine->SetRenderer(nullptr);
}

TEST_F(CommandSetTest, ALongTextIsCutTo254BytesNeverWrittenPastItsBuffer) {
    std::string handle(600, 'h');
    std::string text = SendKey(KEY_SKYPE_GET_USER_FULLNAME, handle.c_str());
    ASSERT_EQ(text.size(), 254u);
    EXPECT_EQ(text.rfind("GET USER hhh", 0), 0u);
}

}  // namespace
}  // namespace kestrava::testing
