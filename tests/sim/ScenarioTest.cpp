// Scenario scripts are checked line by line when they are read, so a bad
// line stops the program before it starts instead of in the client's thread.
#include <gtest/gtest.h>

#include "sim/SkypeScenario.h"

namespace kestrava::sim {
namespace {

struct GoodLine {
    const char* line;
    const char* action;
    int callId;
    int keyCode;
};

TEST(Scenario, GoodLinesGiveTheirStep) {
    const GoodLine kGood[] = {
        {"0 announce", "announce", 0, -1},
        {"1500  incoming 101 wang.xiaoming", "incoming", 101, -1},
        {"1500 outgoing 102 echo123", "outgoing", 102, -1},
        {"3000 answer 101", "answer", 101, -1},
        {"3000 hold 101", "hold", 101, -1},
        {"3000 resume 101", "resume", 101, -1},
        {"4000 finish 101", "finish", 101, -1},
        {"4000 missed 103", "missed", 103, -1},
        {"4000 missed 103 yamada.taro", "missed", 103, -1},
        {"4000 cancel 104", "cancel", 104, -1},
        {"5000 notify USERSTATUS AWAY", "notify", 0, -1},
        {"2500 lift", "lift", 0, -1},
        {"5500 hangup", "hangup", 0, -1},
        {"7500 press 0x61", "press", 0, 0x61},
        {"7500 press 0", "press", 0, 0},
        {"7500 press 255", "press", 0, 255},
        {"7500 press 0XFF", "press", 0, 255},
        {"9000 end\r", "end", 0, -1},
        {"8000 online yamada.taro ONLINE", "online", 0, -1},
        {"8000 online echo123 SKYPEOUT", "online", 0, -1},
        {"8000 connstatus CONNECTING", "connstatus", 0, -1},
        {"8000 connstatus ONLINE", "connstatus", 0, -1},
        {"8100 confirm", "confirm", 0, -1},
        {"8100 error", "error", 0, -1},
        {"8200 tab 2", "tab", 0, -1},
        {"8200 tab 0", "tab", 0, -1},
        {"8300 type +86*10#", "type", 0, -1},
        {"8300 type alice.liddell", "type", 0, -1},
    };
    for (const auto& good : kGood) {
        std::string error;
        auto scenario = Scenario::Parse(good.line, &error);
        ASSERT_TRUE(scenario) << good.line << ": " << error;
        ASSERT_EQ(scenario->steps.size(), 1u) << good.line;
        const ScenarioStep& step = scenario->steps[0];
        EXPECT_EQ(step.action, good.action) << good.line;
        EXPECT_EQ(step.callId, good.callId) << good.line;
        EXPECT_EQ(step.keyCode, good.keyCode) << good.line;
    }
}

TEST(Scenario, BadLinesAreRefusedNamingTheirLine) {
    struct BadLine {
        const char* line;
        const char* error;
    };
    const BadLine kBad[] = {
        {"100 press zz", "line 2: press: key code \"zz\" is not a number from 0 to 255"},
        {"100 press 256", "line 2: press: key code \"256\" is not a number from 0 to 255"},
        {"100 press -1", "line 2: press: key code \"-1\" is not a number from 0 to 255"},
        {"100 press 0x", "line 2: press: key code \"0x\" is not a number from 0 to 255"},
        {"100 press 0x1G", "line 2: press: key code \"0x1G\" is not a number from 0 to 255"},
        {"100 press", "line 2: usage: press key"},
        {"100 press 1 2", "line 2: usage: press key"},
        {"100 answer abc", "line 2: answer: call id \"abc\" is not a number above 0"},
        {"100 answer 0", "line 2: answer: call id \"0\" is not a number above 0"},
        {"100 answer 99999999999",
         "line 2: answer: call id \"99999999999\" is not a number above 0"},
        {"100 answer", "line 2: usage: answer call-id"},
        {"100 incoming 101", "line 2: usage: incoming call-id handle"},
        {"100 incoming bob 101", "line 2: incoming: call id \"bob\" is not a number above 0"},
        {"100 missed 1 a b", "line 2: usage: missed call-id [handle]"},
        {"100 end now", "line 2: usage: end"},
        {"100 notify", "line 2: usage: notify line"},
        {"100 status 101 INPROGRESS", "line 2: unknown action \"status\""},
        {"soon announce", "line 2: bad time \"soon\" (milliseconds expected)"},
        {"-5 announce", "line 2: bad time \"-5\" (milliseconds expected)"},
        {"12ms announce", "line 2: bad time \"12ms\" (milliseconds expected)"},
        {"100", "line 2: missing action after the time"},
        {"100 online yamada.taro", "line 2: usage: online handle status"},
        {"100 online yamada.taro online",
         "line 2: online: status \"online\" is not one of ONLINE, OFFLINE, AWAY, NA, DND, "
         "SKYPEME, SKYPEOUT, UNKNOWN"},
        {"100 online AWAY yamada.taro",
         "line 2: online: status \"yamada.taro\" is not one of ONLINE, OFFLINE, AWAY, NA, DND, "
         "SKYPEME, SKYPEOUT, UNKNOWN"},
        {"100 connstatus", "line 2: usage: connstatus connstatus"},
        {"100 tab 3", "line 2: tab: tab \"3\" is not one of 0, 1, 2"},
        {"100 tab -1", "line 2: tab: tab \"-1\" is not one of 0, 1, 2"},
        {"100 tab", "line 2: usage: tab tab"},
        {"100 type", "line 2: usage: type text"},
        {"100 type 12 34", "line 2: usage: type text"},
        {"100 type 12/34", "line 2: type: \"12/34\" has a character a dial field does not take"},
        {"100 confirm now", "line 2: usage: confirm"},
        {"100 connstatus LOGGEDOUT",
         "line 2: connstatus: connection status \"LOGGEDOUT\" is not one of CONNECTING, "
         "OFFLINE, ONLINE"},
        {"100 connstatus ONLINE now", "line 2: usage: connstatus connstatus"},
    };
    for (const auto& bad : kBad) {
        std::string error;
        // A comment first, so the line number counts every line of the file.
        EXPECT_FALSE(Scenario::Parse(std::string("# first\n") + bad.line + "\n0 end\n", &error))
            << bad.line;
        EXPECT_EQ(error, bad.error) << bad.line;
    }
}

TEST(Scenario, StepsComeInTimeOrderAndNotifyKeepsItsWholeLine) {
    std::string error;
    auto scenario = Scenario::Parse(
        "\n# a tour\n2000 end\n0 announce\n1000 notify CALL 5 PARTNER_DISPNAME John  Smith\n",
        &error);
    ASSERT_TRUE(scenario) << error;
    ASSERT_EQ(scenario->steps.size(), 3u);
    EXPECT_EQ(scenario->steps[0].action, "announce");
    EXPECT_EQ(scenario->steps[1].arguments.at(0), "CALL 5 PARTNER_DISPNAME John  Smith");
    EXPECT_EQ(scenario->steps[2].action, "end");
}

TEST(Scenario, TheDemoTellsItsStoryWithCallsFromChineseAndJapaneseNamedContacts) {
    std::string error;
    auto demo = Scenario::Load(KESTRAVA_SCENARIO_DIR "/demo.txt", &error);
    ASSERT_TRUE(demo) << error;
    std::string story;
    for (const auto& step : demo->steps) story += step.Text() + "; ";
    // The person at the handset answers, holds, resumes and hangs up, then dials.
    EXPECT_NE(story.find("incoming 101 wang.xiaoming; lift; press 0x23; press 0x23; hangup; "
                         "incoming 102 yamada.taro; missed 102; press 0xBE; "),
              std::string::npos)
        << story;
    EXPECT_NE(story.find("press 0x31; answer 200; hangup; "), std::string::npos) << story;
}

TEST(Scenario, LoadNamesTheFileInItsErrors) {
    std::string error;
    EXPECT_FALSE(Scenario::Load("/nonexistent/demo.txt", &error));
    EXPECT_EQ(error, "cannot read /nonexistent/demo.txt");
}

}  // namespace
}  // namespace kestrava::sim
