// Calls as a person lives them, with everything real but the two peers: the
// shell, the engine, the call path, the HID library against the simulated
// handset and the rendering library with its font files, against the
// simulated Skype client. The handset announces itself once the link is up
// and the history has loaded, so the display is on when the calls come.
#include <gtest/gtest.h>

#include <cstdlib>
#include <future>
#include <thread>

#include "Fakes.h"
#include "app/Application.h"
#include "app/ShellConstants.h"
#include "handset/HandsetCommands.h"
#include "platform/posix/InProcessDesktop.h"
#include "sim/SimulatedHandset.h"
#include "sim/SkypeClientSim.h"

namespace kestrava::testing {
namespace {

using namespace std::chrono_literals;

// Generous: only a program that is stuck ever waits this long.
constexpr auto kPatience = 10s;

template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds timeout = kPatience) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// A one-byte command as the handset receives it (a transfer unit has a
// control byte in byte 4; a command has none).
bool IsCommand(const sim::HandsetSim::OutputReport& report, std::uint8_t command) {
    return report[3] == command && report[4] == 0 && report[5] == 0;
}

long IndexOfCommand(const std::vector<sim::HandsetSim::OutputReport>& reports, std::uint8_t command,
                    long from = 0) {
    for (long i = from; i < static_cast<long>(reports.size()); ++i) {
        if (IsCommand(reports[i], command)) return i;
    }
    return -1;
}

long IndexOf(const std::vector<std::string>& log, const std::string& entry, long from = 0) {
    for (long i = from; i < static_cast<long>(log.size()); ++i) {
        if (log[i] == entry) return i;
    }
    return -1;
}

class CallIntegrationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("ONDREL_SYSFS_ROOT", handset.SysfsRoot().c_str(), 1);
        setenv("ONDREL_DEV_ROOT", handset.DeviceRoot().c_str(), 1);
        library = std::make_unique<CDeviceLibrary>(SystemModuleLoader(), shell);
        ASSERT_NE(library->Device(), nullptr) << "Ondrel should load from beside the test";
        skype.Start();
        application = std::make_unique<Application>(platform, *library);
        exitCode = std::async(std::launch::async, [this] { return application->Run(); });
        ASSERT_TRUE(WaitUntil([&] { return application->State().g_bHandsetAnnounced.load(); }))
            << "the handset never announced itself after the link came up";
        // The announcement shows the missed-call count; let that transfer end.
        ASSERT_TRUE(handset.WaitForTransfers(1, kPatience));
    }

    void TearDown() override {
        if (application) {
            if (WindowHandle window = application->State().mainWindow.load()) {
                program->Post(window, msg::kCommand, IDM_EXIT, 0);
            }
            EXPECT_EQ(exitCode.wait_for(kPatience), std::future_status::ready);
            EXPECT_EQ(exitCode.get(), 0);
            application.reset();
        }
        skype.Stop();
        library.reset();
        unsetenv("ONDREL_SYSFS_ROOT");
        unsetenv("ONDREL_DEV_ROOT");
        EXPECT_EQ(handset.UnexpectedAcknowledgements(), 0);
    }

    bool WaitForCommand(const std::string& command) {
        return skype.WaitForLog(
            [&](const std::vector<std::string>& log) {
                return IndexOf(log, "COMMAND " + command) >= 0;
            },
            kPatience);
    }

    bool WaitForLcd(const std::string& text) {
        return WaitUntil([&] { return handset.LcdText() == text; });
    }

    sim::SimulatedHandset handset;
    RecordingShell shell;
    std::unique_ptr<CDeviceLibrary> library;
    InProcessDesktop desktop;
    std::unique_ptr<InProcessDesktop::Program> program = desktop.OpenProgram("Kestrava");
    std::unique_ptr<InProcessDesktop::Program> skypeProgram = desktop.OpenProgram("Skype");
    sim::SkypeClientSim skype{*skypeProgram, *skypeProgram};
    Platform platform{*program, *program, SystemModuleLoader(), shell};
    std::unique_ptr<Application> application;
    std::future<int> exitCode;
};

TEST_F(CallIntegrationTest, AnIncomingCallRingsAndTheCallersChineseNameAppears) {
    std::size_t before = handset.OutputReports().size();
    skype.IncomingCall(101, "wang.xiaoming");
    ASSERT_TRUE(handset.WaitForRinging(true, kPatience));
    ASSERT_TRUE(WaitForCommand("GET CALL 101 PARTNER_DISPNAME"));
    // 王小明 and the blank a name ends in: three full-width characters drawn
    // from the font files, then a half-width blank.
    ASSERT_TRUE(WaitForLcd("??? ")) << handset.LcdPicture();
    EXPECT_NE(handset.LcdPicture().find('#'), std::string::npos) << "the glyphs are not blank";
    EXPECT_TRUE(handset.IsRinging());

    auto reports = handset.OutputReports();
    long end = IndexOfCommand(reports, HS_END_TRANSFER, static_cast<long>(before));
    long alert = IndexOfCommand(reports, HS_CALL_ALERT, static_cast<long>(before));
    long font = IndexOfCommand(reports, HS_TEXT_FONT, static_cast<long>(before));
    ASSERT_GE(end, 0);
    EXPECT_LT(end, alert) << "the ring comes after the display is cleared";
    EXPECT_LT(alert, font) << "the name is announced after the ring";
}

TEST_F(CallIntegrationTest, AnAnsweredCallStopsRingingAndEndsWithTheCallTimer) {
    skype.IncomingCall(101, "alice.liddell");
    ASSERT_TRUE(handset.WaitForRinging(true, kPatience));
    ASSERT_TRUE(WaitForLcd("Alice ")) << handset.LcdPicture();
    skype.AnswerCall(101);
    ASSERT_TRUE(handset.WaitForRinging(false, kPatience)) << "HS_CALL_ACTIVE stops the ring";
    ASSERT_TRUE(skype.WaitForLog(
        [](const auto& log) { return IndexOf(log, "NOTIFY CALL 101 DURATION 2") >= 0; },
        kPatience));
    skype.FinishCall(101);
    ASSERT_TRUE(WaitForCommand("GET CALL 101 TIMESTAMP"));
    // The call timer: the handset asks for it and gets the call's duration.
    ASSERT_TRUE(WaitUntil([&] { return handset.LcdField(0x83).size() >= 8; }))
        << handset.LcdPicture();
    std::string timer = handset.LcdField(0x83);
    EXPECT_EQ(timer.size(), 8u) << timer;
    EXPECT_EQ(timer.substr(0, 6), "00:00:") << timer;
    EXPECT_GE(timer.substr(6), "02") << "the call lasted at least two seconds";
}

TEST_F(CallIntegrationTest, AMissedCallIsArchivedAndTheMissedCountShows) {
    skype.MissedCall(102, "yamada.taro");
    ASSERT_TRUE(WaitForCommand("GET CALL 102 TIMESTAMP"));
    auto log = skype.Log();
    long first = IndexOf(log, "COMMAND GET CALL 102 PARTNER_DISPNAME");
    ASSERT_GE(first, 0);
    const char* expected[] = {"PARTNER_HANDLE", "TYPE", "SEEN", "DURATION", "TIMESTAMP"};
    long at = first;
    for (const char* property : expected) {
        long next = IndexOf(log, std::string("COMMAND GET CALL 102 ") + property, at + 1);
        EXPECT_GT(next, at) << property << " is asked for in its place";
        if (next > at) at = next;
    }
    // The history held one unseen missed call; this is the second.
    ASSERT_TRUE(WaitForLcd("2 Missed Calls")) << handset.LcdPicture();
    EXPECT_FALSE(handset.IsRinging());
}

TEST_F(CallIntegrationTest, ASecondRingingCallIsRefusedAtOnceWithItsIdPadded) {
    skype.IncomingCall(101, "wang.xiaoming");
    ASSERT_TRUE(handset.WaitForRinging(true, kPatience));
    skype.IncomingCall(77, "alice.liddell");
    ASSERT_TRUE(WaitForCommand("SET CALL    77 STATUS FINISHED"));
    ASSERT_TRUE(skype.WaitForLog(
        [](const auto& log) { return IndexOf(log, "NOTIFY CALL 77 STATUS REFUSED") >= 0; },
        kPatience));
    ASSERT_TRUE(WaitForLcd("??? ")) << "the first caller's name still shows";
    EXPECT_TRUE(handset.IsRinging()) << "the first call still rings";
}

TEST_F(CallIntegrationTest, UnpluggingTheHandsetDuringATransferStopsItAndTheProgramGoesOn) {
    int transfers = handset.TransfersCompleted();
    skype.IncomingCall(101, "wang.xiaoming");
    // The name's glyphs stream unit by unit; pull the plug while they do.
    ASSERT_TRUE(WaitUntil([&] { return library->m_bTransferActive.load() == 1; }));
    handset.Unplug();
    program->Post(application->State().mainWindow.load(), msg::kDeviceChange, kDeviceNodesChanged,
                  0);
    ASSERT_TRUE(WaitUntil([&] { return library->handsetPresent.load() == 0; }));
    EXPECT_EQ(library->m_bTransferActive.load(), 0) << "the transfer was stopped";
    EXPECT_EQ(library->m_bAbortPending.load(), 0) << "and the stop was answered";

    // Plugged in again, the handset is found and the link works as before.
    handset.PlugIn();
    program->Post(application->State().mainWindow.load(), msg::kDeviceChange, kDeviceNodesChanged,
                  0);
    ASSERT_TRUE(WaitUntil([&] { return library->handsetPresent.load() == 1; }));
    EXPECT_GE(handset.TransfersCompleted(), transfers);
}

}  // namespace
}  // namespace kestrava::testing
