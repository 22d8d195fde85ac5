// Which handler takes a line, how its words are read, and the watch for
// Skype's confirmation window.
#include "CallsFixture.h"
#include "protocol/LineWords.h"

namespace kestrava::testing {
namespace {

using ::testing::_;
using ::testing::Invoke;

TEST(LineWordsTest, EachWordIsCutToItsBufferAndTheRestOfItDropped) {
    std::string first(300, 'F'), second(1100, '2'), third(600, '3'), fourth(300, '4');
    auto words = LineWords::Read(first + " " + second + "\t" + third + "  " + fourth + " five");
    EXPECT_EQ(words.first, std::string(254, 'F'));
    EXPECT_EQ(words.second, std::string(1019, '2'));
    EXPECT_EQ(words.third, std::string(509, '3'));
    EXPECT_EQ(words.fourth, std::string(254, '4')) << "the cut-off rest never becomes a word";

    words = LineWords::Read("  CALL\r\n12");
    EXPECT_EQ(words.first, "CALL");
    EXPECT_EQ(words.second, "12");
    EXPECT_EQ(words.third, "");
    EXPECT_EQ(words.fourth, "");
}

TEST(LineWordsTest, NumbersAreReadAsAtoiWouldWithoutOverflowing) {
    EXPECT_EQ(ParseInt("1234"), 1234);
    EXPECT_EQ(ParseInt("12ab"), 12);
    EXPECT_EQ(ParseInt("-7"), -7);
    EXPECT_EQ(ParseInt("abc"), 0);
    EXPECT_EQ(ParseInt(""), 0);
    EXPECT_EQ(ParseInt("99999999999999999999"), 2147483647);
    EXPECT_EQ(ParseInt64("4102444800"), 4102444800LL);
}

struct Routed {
    const char* line;
    const char* handler;
};

class DispatchTest : public CallsTest, public ::testing::WithParamInterface<Routed> {
  protected:
    void SetUp() override {
        CallsTest::SetUp();
        auto record = [this](const char* name) {
            return Invoke([this, name](const NotificationLine&) { taken.push_back(name); });
        };
        ON_CALL(users, Protocol(_)).WillByDefault(record("Protocol"));
        ON_CALL(users, Users(_)).WillByDefault(record("Users"));
        ON_CALL(users, User(_)).WillByDefault(record("User"));
        ON_CALL(users, ConnectionStatus(_)).WillByDefault(record("ConnectionStatus"));
        ON_CALL(users, Privilege(_)).WillByDefault(record("Privilege"));
        ON_CALL(users, Profile(_)).WillByDefault(record("Profile"));
        ON_CALL(users, UserStatus(_)).WillByDefault(record("UserStatus"));
        ON_CALL(users, CurrentUserHandle(_)).WillByDefault(record("CurrentUserHandle"));
        ON_CALL(users, Mute(_)).WillByDefault(record("Mute"));
        ON_CALL(users, AudioIn(_)).WillByDefault(record("AudioIn"));
        ON_CALL(users, AudioOut(_)).WillByDefault(record("AudioOut"));
        ON_CALL(history, CallHistoryChanged(_)).WillByDefault(record("CallHistoryChanged"));
        ON_CALL(history, Calls(_)).WillByDefault(record("Calls"));
    }
    std::vector<std::string> taken;
};

TEST_P(DispatchTest, TheFirstWordChoosesTheHandler) {
    Line(GetParam().line);
    if (*GetParam().handler == '\0') {
        EXPECT_TRUE(taken.empty());
    } else {
        EXPECT_EQ(taken, std::vector<std::string>{GetParam().handler});
    }
    EXPECT_TRUE(log.empty()) << "no call was touched";
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DispatchTest,
    ::testing::Values(Routed{"PROTOCOL 5", "Protocol"},
                      Routed{"CALLHISTORYCHANGED", "CallHistoryChanged"},
                      Routed{"CALLS 12, 13", "Calls"}, Routed{"USERS a, b", "Users"},
                      Routed{"USER alice ONLINESTATUS ONLINE", "User"},
                      Routed{"CONNSTATUS ONLINE", "ConnectionStatus"},
                      Routed{"PRIVILEGE SKYPEOUT TRUE", "Privilege"},
                      Routed{"PROFILE PSTN_BALANCE 120", "Profile"},
                      Routed{"USERSTATUS AWAY", "UserStatus"},
                      Routed{"CURRENTUSERHANDLE me", "CurrentUserHandle"},
                      Routed{"MUTE ON", "Mute"}, Routed{"AUDIO_IN Handset Mic", "AudioIn"},
                      Routed{"AUDIO_OUT Handset", "AudioOut"}, Routed{"AUTOAWAY ON", ""},
                      Routed{"CALLX 1 STATUS RINGING", ""}, Routed{"call 1 STATUS RINGING", ""},
                      Routed{"ERROR 68", ""}, Routed{"", ""}, Routed{"   ", ""}),
    [](const auto& info) { return "Line" + std::to_string(info.index); });

TEST_F(CallsTest, AHandlerGetsTheLineItsWordsAndTheSnapshot) {
    SetCurrent(1234, 3);
    EXPECT_CALL(users, User(_)).WillOnce(Invoke([](const NotificationLine& line) {
        EXPECT_EQ(line.text, "USER bob FULLNAME Bob  B");
        EXPECT_EQ(line.currentCallId, 1234);
        EXPECT_EQ(line.currentCallStatus, 3);
        EXPECT_EQ(line.words.second, "bob");
        EXPECT_EQ(line.words.third, "FULLNAME");
        EXPECT_EQ(line.words.fourth, "Bob");
    }));
    Line("USER bob FULLNAME Bob  B");
}

class DialogWatchTest : public CallsTest {
  protected:
    void Open() { desktop.Open("TskConFirmForm.UnicodeClass"); }
    void Close() { desktop.CloseAll(); }
    int Signals() { return static_cast<int>(std::count(log.begin(), log.end(), "hs 9F")); }
};

TEST_F(DialogWatchTest, EachAppearanceIsSignalledOnceWhileNoCallIsCurrent) {
    dispatcher.WatchSkypeDialogs(0);
    EXPECT_EQ(Signals(), 0);
    Open();
    dispatcher.WatchSkypeDialogs(0);
    EXPECT_EQ(log, Join({kStop, {"hs 9F"}}));
    dispatcher.WatchSkypeDialogs(0);
    Line("PROTOCOL 5");
    EXPECT_EQ(Signals(), 1) << "still the same appearance";
    Close();
    dispatcher.WatchSkypeDialogs(0);
    Open();
    dispatcher.WatchSkypeDialogs(0);
    EXPECT_EQ(Signals(), 2);
}

TEST_F(DialogWatchTest, DuringACallTheWindowWaitsUntilTheCallIsOver) {
    Open();
    dispatcher.WatchSkypeDialogs(1234);
    EXPECT_EQ(Signals(), 0);
    dispatcher.WatchSkypeDialogs(0);
    EXPECT_EQ(Signals(), 1);
}

TEST_F(DialogWatchTest, TheLineThatRefusedARingingCallIsNotWatched) {
    SetCurrent(1234, 3);
    Open();
    dispatcher.Dispatch("CALL 77 STATUS RINGING", 1234, 3);
    dispatcher.WatchSkypeDialogs(0);
    EXPECT_EQ(Signals(), 0);
    dispatcher.WatchSkypeDialogs(0);
    EXPECT_EQ(Signals(), 1) << "only that one line is skipped";
}

}  // namespace
}  // namespace kestrava::testing
