// Kestrava.exe and the simulated Skype client run as two programs on one
// desktop; the test drives them from outside, as a person and the client would.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "Processes.h"
#include "sim/ClientStepWin32.h"
#include "sim/SimulatedHandset.h"

namespace {

using namespace kestrava::e2e;

// While it lives, the HID library of a program started from here finds only
// the simulated handset.
class HandsetOnly {
  public:
    explicit HandsetOnly(const kestrava::sim::SimulatedHandset& handset) {
        SetEnvironmentVariableA("ONDREL_EXTRA_DEVICES", handset.ExtraDeviceEntry().c_str());
        SetEnvironmentVariableA("ONDREL_SYSTEM_DEVICES", "0");
    }
    ~HandsetOnly() {
        SetEnvironmentVariableA("ONDREL_EXTRA_DEVICES", nullptr);
        SetEnvironmentVariableA("ONDREL_SYSTEM_DEVICES", nullptr);
    }
};

TEST(LinkEndToEnd, AttachesRefusesASecondCopyAndDetachesOnExit) {
    const std::string log = BinaryFolder() + "e2e-skype-log.txt";
    DeleteFileA(log.c_str());

    Process kestrava("Kestrava.exe");
    ASSERT_TRUE(kestrava.Started());
    ASSERT_TRUE(WaitUntil([] { return KestravaWindow() != nullptr; }, 20s))
        << "Kestrava's main window never appeared";

    // The client starts after Kestrava and announces that its API is available.
    Process skype("SkypeSim.exe --announce --log \"" + log + "\"");
    ASSERT_TRUE(skype.Started());

    ASSERT_TRUE(WaitUntil(
        [&] {
            auto lines = ReadLines(log);
            return Find(lines, "COMMAND GET USERSTATUS") >= 0;
        },
        20s))
        << "the attach set-up never reached the client";
    auto lines = ReadLines(log);
    long announce = Find(lines, "ANNOUNCE");
    long discover = -1;
    for (long i = 0; i < static_cast<long>(lines.size()); ++i) {
        if (lines[i].rfind("DISCOVER 0x", 0) == 0) {
            discover = i;
            break;
        }
    }
    long attach = Find(lines, "ATTACH 0");
    long protocol = Find(lines, "COMMAND PROTOCOL 5");
    long userStatus = Find(lines, "COMMAND GET USERSTATUS");
    EXPECT_GE(announce, 0);
    EXPECT_GT(discover, announce) << "Kestrava did not broadcast Discover after the announcement";
    EXPECT_GT(attach, discover);
    EXPECT_GT(protocol, attach);
    EXPECT_GT(userStatus, protocol);

    // A second copy finds the first one's window and ends at once with code 0.
    Process second("Kestrava.exe");
    ASSERT_TRUE(second.Started());
    EXPECT_EQ(second.WaitForExit(20s), 0);
    EXPECT_TRUE(kestrava.Running());

    // Exit from the tray menu: the audio goes back to the client's defaults,
    // Discover goes out with a null window, and the program ends with code 0.
    HWND window = KestravaWindow();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_COMMAND, 40001, 0);
    EXPECT_EQ(kestrava.WaitForExit(20s), 0);

    ASSERT_TRUE(WaitUntil([&] { return Find(ReadLines(log), "DISCOVER null") >= 0; }, 10s));
    lines = ReadLines(log);
    long audioIn = Find(lines, "COMMAND SET AUDIO_IN", userStatus);
    long audioOut = Find(lines, "COMMAND SET AUDIO_OUT", userStatus);
    long ringer = Find(lines, "COMMAND SET RINGER", userStatus);
    long detach = Find(lines, "DISCOVER null");
    EXPECT_GT(audioIn, userStatus);
    EXPECT_GT(audioOut, audioIn);
    EXPECT_GT(ringer, audioOut);
    EXPECT_GT(detach, ringer);

    HWND api = FindWindowA("SkypeSimApiWindow", nullptr);
    if (api) PostMessageA(api, WM_CLOSE, 0, 0);
    EXPECT_EQ(skype.WaitForExit(10s), 0);
}

// The handset is the simulated one, served by this test over a named pipe
// that the HID library is told about; everything else is the real program.
TEST(LinkEndToEnd, TheHandsetIsFoundAtStartAndReportsCrossBothWays) {
    const std::string log = BinaryFolder() + "e2e-handset-skype-log.txt";
    DeleteFileA(log.c_str());
    kestrava::sim::SimulatedHandset handset;
    HandsetOnly only(handset);

    Process skype("SkypeSim.exe --log \"" + log + "\"");
    ASSERT_TRUE(skype.Started());
    ASSERT_TRUE(
        WaitUntil([] { return FindWindowA("SkypeSimApiWindow", nullptr) != nullptr; }, 20s));

    // With its handset present, Kestrava looks for the client at once. The HID
    // library traces every report on the program's standard output.
    const std::string traces = BinaryFolder() + "e2e-handset-traces.txt";
    Process kestrava("Kestrava.exe", traces);
    ASSERT_TRUE(kestrava.Started());
    ASSERT_TRUE(WaitUntil([&] { return Find(ReadLines(log), "COMMAND PROTOCOL 5") >= 0; }, 20s))
        << "no Discover at start with the handset present";
    EXPECT_EQ(Find(ReadLines(log), "ANNOUNCE"), -1);
    ASSERT_TRUE(handset.WaitForConnections(2, 10s)) << "the write and read sides were not opened";

    // Reports to the handset: the focus timer tells it whether the client is in front.
    auto focusReports = [&] {
        int count = 0;
        for (const auto& report : handset.OutputReports()) {
            count += report[3] == 0xEE || report[3] == 0xEF;
        }
        return count;
    };
    EXPECT_TRUE(WaitUntil([&] { return focusReports() >= 3; }, 10s));

    // A report from the handset reaches the program's read thread.
    handset.LiftReceiver();
    auto traced = [&](const std::string& prefix) {
        for (const auto& line : ReadLines(traces)) {
            if (line.rfind(prefix, 0) == 0) return true;
        }
        return false;
    };
    EXPECT_TRUE(WaitUntil([&] { return traced("MCU->PC: 00 00 1F"); }, 10s))
        << "the hook-up report was not read";
    EXPECT_TRUE(traced("MCU<-PC: 00 00 00 EF") || traced("MCU<-PC: 00 00 00 EE"));
    EXPECT_TRUE(kestrava.Running());

    HWND window = KestravaWindow();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_COMMAND, 40001, 0);
    EXPECT_EQ(kestrava.WaitForExit(20s), 0);
    bool offline = false;
    for (const auto& report : handset.OutputReports()) offline |= report[3] == 0x07;
    EXPECT_TRUE(offline) << "leaving, the program tells the handset it is offline";

    HWND api = FindWindowA("SkypeSimApiWindow", nullptr);
    if (api) PostMessageA(api, WM_CLOSE, 0, 0);
    EXPECT_EQ(skype.WaitForExit(10s), 0);
}

// The person at the handset answers by lifting the receiver and ends the call
// by putting it down; the client's call moves only because of what Kestrava
// tells it.
TEST(LinkEndToEnd, LiftingTheReceiverAnswersAndPuttingItDownEndsTheCall) {
    const std::string log = BinaryFolder() + "e2e-call-skype-log.txt";
    DeleteFileA(log.c_str());
    kestrava::sim::SimulatedHandset handset;
    HandsetOnly only(handset);

    Process skype("SkypeSim.exe --log \"" + log + "\"");
    ASSERT_TRUE(skype.Started());
    ASSERT_TRUE(
        WaitUntil([] { return FindWindowA("SkypeSimApiWindow", nullptr) != nullptr; }, 20s));
    Process kestrava("Kestrava.exe", BinaryFolder() + "e2e-call-traces.txt");
    ASSERT_TRUE(kestrava.Started());
    // Attached, the history loaded, the handset announced and shown its first text.
    ASSERT_TRUE(WaitUntil([&] { return Find(ReadLines(log), "COMMAND SEARCH CALLS") >= 0; }, 20s));
    ASSERT_TRUE(handset.WaitForTransfers(1, 20s)) << "the handset never got its first text";

    ASSERT_TRUE(kestrava::sim::SendClientStep("incoming 101 alice.liddell", 5000));
    ASSERT_TRUE(handset.WaitForRinging(true, 20s)) << "the call did not ring at the handset";
    handset.LiftReceiver();
    EXPECT_TRUE(WaitUntil(
        [&] {
            auto lines = ReadLines(log);
            long answer = Find(lines, "COMMAND SET CALL   101 STATUS INPROGRESS");
            return answer >= 0 && Find(lines, "NOTIFY CALL 101 STATUS INPROGRESS", answer) >= 0;
        },
        20s))
        << "lifting the receiver did not answer the call";
    EXPECT_TRUE(handset.WaitForRinging(false, 20s));

    handset.PutDownReceiver();
    EXPECT_TRUE(WaitUntil(
        [&] {
            auto lines = ReadLines(log);
            long hookOn = Find(lines, "COMMAND HOOK ON");
            return hookOn >= 0 && Find(lines, "NOTIFY CALL 101 STATUS FINISHED", hookOn) >= 0;
        },
        20s))
        << "putting the receiver down did not end the call";

    ExitBoth(kestrava, skype);
}

}  // namespace
