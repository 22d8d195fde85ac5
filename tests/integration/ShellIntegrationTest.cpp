// Scenarios a user lives through, with the real shell, engine and window
// handling against the simulated Skype client. The handset and the renderer
// are mocks behind the real library binding.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <thread>

#include "Fakes.h"
#include "app/Application.h"
#include "app/ShellConstants.h"
#include "platform/MemoryRegistry.h"
#include "platform/posix/InProcessDesktop.h"
#include "platform/posix/RecordedTray.h"
#include "sim/SkypeClientSim.h"

namespace kestrava::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::_;
using ::testing::AnyNumber;
using ::testing::NiceMock;
using ::testing::Return;

int DeleteNothing(void**) {
    return 1;
}

bool Contains(const std::vector<std::string>& log, const std::string& entry) {
    return std::find(log.begin(), log.end(), entry) != log.end();
}

// Position of the first entry that starts with `prefix` at or after `from`; -1 if none.
long IndexOf(const std::vector<std::string>& log, const std::string& prefix, long from = 0) {
    for (long i = from; i < static_cast<long>(log.size()); ++i) {
        if (log[i].rfind(prefix, 0) == 0) return i;
    }
    return -1;
}

// Waits for state the program sets on its own threads: a line in the client's
// log may come before the state that the program changes after sending it.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds timeout = 5s) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
    }
    return condition();
}

class ShellIntegrationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_fakeDevice = &device;
        g_fakeRenderer = &renderer;
        loader.Add("Ondrel.dll", {reinterpret_cast<void*>(&CreateFakeDevice),
                                  reinterpret_cast<void*>(&DeleteNothing)});
        loader.Add("Glyvar.dll", {reinterpret_cast<void*>(&CreateFakeRenderer),
                                  reinterpret_cast<void*>(&DeleteNothing)});
        folder = std::filesystem::temp_directory_path() /
                 ("kestrava-it-" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(folder);
        loader.executablePath = (folder / "Kestrava").string();
        ON_CALL(device, Reconnect()).WillByDefault(Return(E_FAIL));
        ON_CALL(device, StartReading(_)).WillByDefault(Return(S_OK));
        ON_CALL(device, Release()).WillByDefault(Return(S_OK));
    }

    void TearDown() override {
        StopProgram();
        skype.reset();
        library.reset();
        std::filesystem::remove_all(folder);
    }

    void StartSkype(sim::SkypeClientSim::Options options = {}) {
        skype = std::make_unique<sim::SkypeClientSim>(*skypeProgram, *skypeProgram, options);
        skype->Start();
    }

    // Runs the program's whole life on a thread of its own and waits for its window.
    void StartProgram() {
        library = std::make_unique<CDeviceLibrary>(loader, shell);
        application = std::make_unique<Application>(platform, *library);
        exitCode = std::async(std::launch::async, [this] { return application->Run(); });
        auto deadline = std::chrono::steady_clock::now() + 5s;
        while (MainWindow() == 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(1ms);
        }
        ASSERT_NE(MainWindow(), 0u);
    }

    WindowHandle MainWindow() { return kestrava->FindTopLevelWindow(kMainWindowClass, nullptr); }

    void PostToProgram(std::uint32_t message, WParam wParam, LParam lParam = 0) {
        kestrava->Post(MainWindow(), message, wParam, lParam);
    }

    int StopProgram() {
        if (!application) return -1;
        if (WindowHandle window = MainWindow()) kestrava->Post(window, msg::kCommand, IDM_EXIT, 0);
        int code = exitCode.wait_for(10s) == std::future_status::ready ? exitCode.get() : -1;
        application.reset();
        return code;
    }

    bool WaitForLog(const std::function<bool(const std::vector<std::string>&)>& done) {
        return skype->WaitForLog(done, 5s);
    }

    InProcessDesktop desktop;
    std::unique_ptr<InProcessDesktop::Program> kestrava = desktop.OpenProgram("Kestrava");
    std::unique_ptr<InProcessDesktop::Program> skypeProgram = desktop.OpenProgram("Skype");
    FakeModuleLoader loader;
    RecordingShell shell;
    NullDialogHost dialogs;
    MemoryRegistry registry;
    NoAudioDevices audio;
    RecordedTray tray{*kestrava};
    EnglishStrings strings;
    Platform platform{*kestrava, *kestrava, loader, shell, dialogs, registry, audio, tray, strings};
    NiceMock<MockHidDevice> device;
    NiceMock<MockLcdRenderer> renderer;
    std::filesystem::path folder;
    std::unique_ptr<CDeviceLibrary> library;
    std::unique_ptr<Application> application;
    std::future<int> exitCode;
    std::unique_ptr<sim::SkypeClientSim> skype;
};

TEST_F(ShellIntegrationTest, WithoutTheHandsetDiscoverWaitsForTheClientsAnnouncement) {
    StartSkype();
    StartProgram();
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(IndexOf(skype->Log(), "DISCOVER"), -1) << "no Discover at start without a handset";

    skype->Announce();
    ASSERT_TRUE(WaitForLog([](auto& log) { return Contains(log, "COMMAND GET USERSTATUS"); }));
    auto log = skype->Log();
    long discover = IndexOf(log, "DISCOVER 0x");
    long attach = IndexOf(log, "ATTACH 0");
    long protocol = IndexOf(log, "COMMAND PROTOCOL 5");
    long status = IndexOf(log, "COMMAND GET USERSTATUS");
    EXPECT_LT(IndexOf(log, "ANNOUNCE"), discover);
    EXPECT_LT(discover, attach);
    EXPECT_LT(attach, protocol);
    EXPECT_LT(protocol, status);
}

TEST_F(ShellIntegrationTest, ExitResetsTheAudioDetachesAndTellsTheHandsetItIsOffline) {
    EXPECT_CALL(device, SendCommand(_)).Times(AnyNumber());
    EXPECT_CALL(device, SendCommand(0x07)).Times(1);
    EXPECT_CALL(device, Release()).Times(::testing::AtLeast(1));
    EXPECT_CALL(renderer, LoadFonts(::testing::StrEq(folder.string() + "/")));
    StartSkype();
    StartProgram();
    skype->Announce();
    ASSERT_TRUE(WaitForLog([](auto& log) { return Contains(log, "COMMAND SEARCH CALLS"); }));

    EXPECT_EQ(StopProgram(), 0);
    ASSERT_TRUE(WaitForLog([](auto& log) { return Contains(log, "DISCOVER null"); }));
    auto log = skype->Log();
    long calls = IndexOf(log, "COMMAND SEARCH CALLS");
    long audioIn = IndexOf(log, "COMMAND SET AUDIO_IN", calls);
    long audioOut = IndexOf(log, "COMMAND SET AUDIO_OUT", calls);
    long ringer = IndexOf(log, "COMMAND SET RINGER", calls);
    EXPECT_LT(calls, audioIn);
    EXPECT_LT(audioIn, audioOut);
    EXPECT_LT(audioOut, ringer);
    EXPECT_LT(ringer, IndexOf(log, "DISCOVER null"));
    EXPECT_EQ(MainWindow(), 0u);
    EXPECT_THAT(shell.Pulses(), ::testing::ElementsAre("Get exit signal 300"));
}

TEST_F(ShellIntegrationTest, WithTheHandsetPresentAtStartDiscoverGoesOutAtOnce) {
    ON_CALL(device, Reconnect()).WillByDefault(Return(S_OK));
    EXPECT_CALL(device, StartReading(_)).Times(1);
    StartSkype();
    StartProgram();
    ASSERT_TRUE(WaitForLog([](auto& log) { return Contains(log, "COMMAND PROTOCOL 5"); }));
    EXPECT_EQ(IndexOf(skype->Log(), "ANNOUNCE"), -1);
}

TEST_F(ShellIntegrationTest, ASecondCopyWithTheSameTitleEndsAtOnceWithoutAWindow) {
    StartProgram();
    auto secondProgram = desktop.OpenProgram("Kestrava (second)");
    RecordedTray secondTray(*secondProgram);
    Platform secondPlatform{*secondProgram, *secondProgram, loader,     shell,  dialogs,
                            registry,       audio,          secondTray, strings};
    CDeviceLibrary secondLibrary(loader, shell);
    Application second(secondPlatform, secondLibrary);
    EXPECT_EQ(second.Run(), 0);
    EXPECT_EQ(second.State().mainWindow.load(), 0u);
    EXPECT_NE(MainWindow(), 0u) << "the first copy runs on";
}

TEST_F(ShellIntegrationTest, TwoCopiesWithDifferentApiNamesBothRun) {
    std::ofstream(folder / "Pellanor.ini") << "[NAME]\nAPINAME=Front Desk\n";
    StartProgram();
    std::string title = "Front Desk";
    EXPECT_NE(kestrava->FindTopLevelWindow(kMainWindowClass, &title), 0u);

    std::filesystem::remove(folder / "Pellanor.ini");
    auto secondProgram = desktop.OpenProgram("Kestrava (second)");
    RecordedTray secondTray(*secondProgram);
    Platform secondPlatform{*secondProgram, *secondProgram, loader,     shell,  dialogs,
                            registry,       audio,          secondTray, strings};
    CDeviceLibrary secondLibrary(loader, shell);
    Application second(secondPlatform, secondLibrary);
    auto secondExit = std::async(std::launch::async, [&] { return second.Run(); });
    std::string defaultTitle = "SkypeForWindow";
    auto deadline = std::chrono::steady_clock::now() + 5s;
    WindowHandle secondWindow = 0;
    while (!secondWindow && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
        secondWindow = secondProgram->FindTopLevelWindow(kMainWindowClass, &defaultTitle);
    }
    ASSERT_NE(secondWindow, 0u) << "the second copy should run with its own title";
    secondProgram->Post(secondWindow, msg::kCommand, IDM_EXIT, 0);
    EXPECT_EQ(secondExit.get(), 0);
}

TEST_F(ShellIntegrationTest, ABurstOfDeviceNoticesGivesOneRecheckThatFindsTheHandset) {
    std::atomic<int> reconnects{0};
    ON_CALL(device, Reconnect()).WillByDefault([&] {
        return ++reconnects == 1 ? E_FAIL : S_OK;  // absent at start, plugged in later
    });
    StartSkype();
    StartProgram();
    for (int i = 0; i < 5; ++i) {
        PostToProgram(msg::kDeviceChange, kDeviceNodesChanged);
        std::this_thread::sleep_for(20ms);
    }
    // 600 ms after the first notice the handset is found: audio routing, then Discover.
    ASSERT_TRUE(WaitForLog([](auto& log) { return Contains(log, "COMMAND PROTOCOL 5"); }));
    EXPECT_TRUE(WaitUntil([&] { return library->handsetPresent.load() == 1; }));
    // Room for a second re-check, had the burst started more than one.
    std::this_thread::sleep_for(700ms);
    EXPECT_EQ(reconnects.load(), 2) << "start-up plus exactly one re-check";
}

TEST_F(ShellIntegrationTest, LinesFromAnyWindowButSkypesAreRefused) {
    StartSkype();
    StartProgram();
    skype->Announce();
    ASSERT_TRUE(WaitForLog([](auto& log) { return Contains(log, "COMMAND PROTOCOL 5"); }));

    auto stranger = desktop.OpenProgram("stranger");
    stranger->RegisterWindowClass("stranger", "");
    WindowHandle strangerWindow = stranger->CreateHiddenWindow(
        "stranger", "stranger", [](WindowHandle, std::uint32_t, WParam, LParam) { return 0; });
    EXPECT_FALSE(SendText(*stranger, MainWindow(), strangerWindow, "CALL 5 STATUS RINGING", 1s));
    EXPECT_TRUE(SendText(*stranger, MainWindow(), skype->ApiWindow(), "CALL 5 STATUS RINGING", 1s))
        << "the attached client's lines are taken";
    stranger->DestroyWindow(strangerWindow);
}

TEST_F(ShellIntegrationTest, AttachStatusesOtherThanSuccessLeaveTheLinkDown) {
    sim::SkypeClientSim::Options options;
    options.attachStatuses = {1, 2, 3};
    StartSkype(options);
    StartProgram();
    skype->Announce();
    ASSERT_TRUE(WaitForLog([](auto& log) { return Contains(log, "ATTACH 3"); }));
    std::this_thread::sleep_for(200ms);
    auto log = skype->Log();
    EXPECT_EQ(IndexOf(log, "COMMAND"), -1);
    EXPECT_EQ(IndexOf(log, "DISCOVER", IndexOf(log, "DISCOVER") + 1), -1) << "no further broadcast";
    EXPECT_EQ(application->State().skypeApiWindow.load(), 0u);
}

TEST_F(ShellIntegrationTest, TheFocusTimerTellsTheHandsetWhetherSkypeIsInFront) {
    std::atomic<int> focused{0}, unfocused{0};
    ON_CALL(device, SendCommand(0xEE)).WillByDefault([&](std::uint8_t) { return ++focused, 0; });
    ON_CALL(device, SendCommand(0xEF)).WillByDefault([&](std::uint8_t) { return ++unfocused, 0; });
    StartSkype();
    StartProgram();
    skype->Announce();
    ASSERT_TRUE(WaitForLog([](auto& log) { return Contains(log, "COMMAND SEARCH CALLS"); }));
    // The set-up's "FOCUS" has brought Skype to the front; another window comes in front.
    desktop.SetForegroundWindow(0);
    int before = unfocused.load();
    EXPECT_TRUE(WaitUntil([&] { return unfocused.load() >= before + 2; }));
    int focusedBefore = focused.load();
    desktop.SetForegroundWindow(
        skypeProgram->FindTopLevelWindow(sim::SkypeClientSim::kMainWindowClass, nullptr));
    EXPECT_TRUE(WaitUntil([&] { return focused.load() >= focusedBefore + 2; }));
}

TEST_F(ShellIntegrationTest, SuspendDropsTheHandsetAndResumeDiscoversAgain) {
    ON_CALL(device, Reconnect()).WillByDefault(Return(S_OK));
    StartSkype();
    StartProgram();
    ASSERT_TRUE(WaitForLog([](auto& log) { return Contains(log, "COMMAND PROTOCOL 5"); }));
    PostToProgram(msg::kPowerBroadcast, power::kSuspend);
    EXPECT_TRUE(WaitUntil([&] { return library->handsetPresent.load() == 0; }));
    std::size_t discovers = 0;
    for (const auto& entry : skype->Log()) discovers += entry.rfind("DISCOVER 0x", 0) == 0;

    PostToProgram(msg::kPowerBroadcast, power::kResumeSuspend);
    ASSERT_TRUE(WaitForLog([&](auto& log) {
        std::size_t now = 0;
        for (const auto& entry : log) now += entry.rfind("DISCOVER 0x", 0) == 0;
        return now > discovers;
    }));
    // The resume asks for the Discover before it marks the handset present.
    EXPECT_TRUE(WaitUntil([&] { return library->handsetPresent.load() == 1; }));
}

// The system sends the notices one after the other, each waited for. A wake
// always brings the automatic notice; one by the person also the suspend one.
TEST_F(ShellIntegrationTest, EachWakeReopensTheHandsetOnce) {
    std::atomic<int> reopened{0};
    ON_CALL(device, Reconnect()).WillByDefault([&] { return ++reopened, E_FAIL; });
    StartSkype();
    StartProgram();
    // The start-up's own try to open the handset is no wake's; on a slow run
    // (a sanitizer) it may come after the window exists.
    ASSERT_TRUE(WaitUntil([&] { return reopened.load() >= 1; }));
    const struct {
        const char* what;
        std::vector<WParam> notices;
        int reopens;
    } cases[] = {
        {"woken without the person", {power::kSuspend, power::kResumeAutomatic}, 1},
        {"woken by the person",
         {power::kSuspend, power::kResumeAutomatic, power::kResumeSuspend},
         1},
        {"the notices the other way round",
         {power::kSuspend, power::kResumeSuspend, power::kResumeAutomatic},
         1},
        {"standby", {power::kStandby, power::kResumeStandby}, 1},
        {"a suspend that was not announced", {power::kResumeCritical, power::kResumeAutomatic}, 1},
        {"no suspend", {power::kResumeAutomatic, power::kResumeSuspend}, 0},
        {"two sleeps",
         {power::kSuspend, power::kResumeAutomatic, power::kSuspend, power::kResumeAutomatic,
          power::kResumeSuspend},
         2},
    };
    for (const auto& c : cases) {
        const int before = reopened.load();
        for (WParam notice : c.notices) {
            ASSERT_TRUE(kestrava->Send(MainWindow(), msg::kPowerBroadcast, notice, 0, 5s))
                << c.what;
        }
        EXPECT_EQ(reopened.load() - before, c.reopens) << c.what;
    }
}

// ---------------------------------------------------------------------------
// The tray icon

class TrayIntegrationTest : public ShellIntegrationTest {
  protected:
    // The configuration names the tray's icon files, which exist beside the program.
    void WriteConfiguration(const std::string& extra = "") {
        for (const char* name : {"HandsetNone.ico", "HandsetNoLink.ico", "HandsetActive.ico"}) {
            std::ofstream(folder / name, std::ios::binary).write("\0\0\1\0\1\0", 6);
        }
        std::ofstream(folder / "Pellanor.ini")
            << "[ICON]\nFileNoHW=HandsetNone.ico\nFileNoANY=HandsetNoLink.ico\n"
               "FileActive=HandsetActive.ico\n"
            << extra;
    }

    bool WaitForTray(const std::string& tooltip, const std::string& iconFile) {
        bool shown = WaitUntil([&] {
            auto state = tray.Current();
            return state.present && state.tooltip == tooltip &&
                   std::filesystem::path(state.iconFile).lexically_normal() ==
                       (folder / iconFile).lexically_normal();
        });
        auto state = tray.Current();
        EXPECT_TRUE(shown) << "present " << state.present << " icon " << state.iconFile
                           << " tooltip \"" << state.tooltip << "\"";
        return shown;
    }
};

TEST_F(TrayIntegrationTest, WithoutTheHandsetTheTrayShowsNoConnection) {
    WriteConfiguration();
    StartSkype();
    StartProgram();
    EXPECT_TRUE(WaitForTray("connect wrong", "HandsetNoLink.ico"));
    auto state = tray.Current();
    EXPECT_EQ(state.owner, MainWindow());
    EXPECT_EQ(state.id, 112u);
    EXPECT_EQ(state.callbackMessage, WM_TRAY_NOTIFY);
    // Skype's own status does not matter while the handset is away.
    skype->Announce();
    ASSERT_TRUE(WaitForLog([](auto& log) { return Contains(log, "COMMAND GET USERSTATUS"); }));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(tray.Current().tooltip, "connect wrong");
}

TEST_F(TrayIntegrationTest, APresentHandsetShowsConnectedBeforeSkypeReportsAnyStatus) {
    WriteConfiguration();
    ON_CALL(device, Reconnect()).WillByDefault(Return(S_OK));
    StartProgram();  // no Skype client: no connection status ever comes
    EXPECT_TRUE(WaitForTray("connect normal", "HandsetActive.ico"));
}

TEST_F(TrayIntegrationTest, SupportSkyTwoGivesNoIcon) {
    WriteConfiguration("[SYSTEM]\nSupportSky=2\n");
    StartProgram();
    EXPECT_EQ(StopProgram(), 0);
    EXPECT_EQ(tray.Current().adds, 0);
    EXPECT_EQ(tray.MenusShown(), 0);
}

TEST_F(TrayIntegrationTest, ExitChosenFromTheMenuEndsTheProgramAndRemovesTheIcon) {
    WriteConfiguration();
    StartProgram();
    ASSERT_TRUE(WaitForTray("connect wrong", "HandsetNoLink.ico"));
    ASSERT_TRUE(tray.RightClick(IDM_EXIT));
    ASSERT_EQ(exitCode.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(exitCode.get(), 0);
    application.reset();

    auto menu = tray.LastMenu();
    EXPECT_EQ(menu.menuId, 112);
    EXPECT_EQ(menu.defaultPosition, 0) << "Advanced Settings in bold";
    std::vector<std::string> entries;
    for (const auto& item : menu.items) {
        if (item.command != 0) entries.push_back(std::to_string(item.command) + " " + item.text);
    }
    EXPECT_THAT(entries, ::testing::ElementsAre("40008 Advanced Settings", "40007 Volume Control",
                                                "40002 About ", "40001 Exit"));
    EXPECT_FALSE(tray.Current().present);
    EXPECT_EQ(MainWindow(), 0u);
}

TEST_F(TrayIntegrationTest, ARestartedShellGetsTheIconBackWithItsLastState) {
    WriteConfiguration();
    StartProgram();
    ASSERT_TRUE(WaitForTray("connect wrong", "HandsetNoLink.ico"));
    tray.RestartShell();
    EXPECT_TRUE(WaitUntil([&] { return tray.Current().adds == 2; }));
    EXPECT_TRUE(WaitForTray("connect wrong", "HandsetNoLink.ico"));
}

TEST_F(TrayIntegrationTest, AnArrivingHandsetStartsTheMissingSkypeClient) {
    struct Case {
        const char* what;
        bool autoRun;
        bool skypeRunning;
        std::optional<std::string> storedPath;
        std::vector<std::string> opened;
    } cases[] = {
        // The stored path stays from its case on: the cases after it open nothing.
        {"auto run, no client, nothing stored",
         true,
         false,
         std::nullopt,
         {"C:\\Program Files\\Skype\\Phone\\Skype.exe"}},
        {"auto run, no client, a stored path",
         true,
         false,
         "E:\\Skype\\Skype.exe",
         {"E:\\Skype\\Skype.exe"}},
        {"auto run, the client runs", true, true, std::nullopt, {}},
        {"no auto run", false, false, std::nullopt, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteConfiguration(c.autoRun ? "[SYSTEM]\nSupportAutoRunSkype=1\n" : "");
        if (c.storedPath) {
            Registry::Key key = registry.CreateUserKey("Software\\Skype\\Phone");
            registry.WriteString(key, "SkypePath", *c.storedPath);
            registry.CloseKey(key);
        }
        std::atomic<int> reconnects{0};
        ON_CALL(device, Reconnect()).WillByDefault([&] {
            return ++reconnects == 1 ? E_FAIL : S_OK;  // plugged in after the start
        });
        if (c.skypeRunning) StartSkype();
        StartProgram();
        PostToProgram(msg::kDeviceChange, kDeviceNodesChanged);
        EXPECT_TRUE(WaitUntil([&] { return library->handsetPresent.load() == 1; }));
        std::vector<std::string> opened;
        for (const auto& entry : shell.Opened()) {
            EXPECT_EQ(entry.substr(entry.find(" owner ")),
                      " owner " + std::to_string(MainWindow()));
            opened.push_back(entry.substr(0, entry.find(" owner ")));
        }
        EXPECT_EQ(opened, c.opened);
        EXPECT_EQ(StopProgram(), 0);
        skype.reset();
        shell.ClearOpened();
    }
}

}  // namespace
}  // namespace kestrava::testing
