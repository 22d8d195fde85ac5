// The program with the real HID library against the simulated handset: the
// handset is found at start, its key reports reach the main window, and the
// program's reports reach the handset.
#include <gtest/gtest.h>

#include <cstdlib>
#include <future>
#include <thread>

#include "Fakes.h"
#include "app/Application.h"
#include "app/ShellConstants.h"
#include "platform/MemoryRegistry.h"
#include "platform/posix/InProcessDesktop.h"
#include "platform/posix/RecordedTray.h"
#include "sim/SimulatedHandset.h"

namespace kestrava::testing {
namespace {

using namespace std::chrono_literals;

template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds timeout = 5s) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(2ms);
    }
    return condition();
}

TEST(HandsetIntegration, TheHandsetIsFoundAtStartAndReportsCrossBothWays) {
    sim::SimulatedHandset handset;
    setenv("ONDREL_SYSFS_ROOT", handset.SysfsRoot().c_str(), 1);
    setenv("ONDREL_DEV_ROOT", handset.DeviceRoot().c_str(), 1);

    RecordingShell shell;
    CDeviceLibrary library(SystemModuleLoader(), shell);
    ASSERT_NE(library.Device(), nullptr) << "Ondrel should load from beside the test";
    ASSERT_TRUE(shell.Boxes().empty());

    InProcessDesktop desktop;
    auto program = desktop.OpenProgram("Kestrava");
    NullDialogHost dialogs;
    MemoryRegistry registry;
    NoAudioDevices audio;
    RecordedTray tray(*program);
    EnglishStrings strings;
    Platform platform{*program, *program, SystemModuleLoader(), shell, dialogs, registry, audio,
                      tray,     strings};
    Application application(platform, library);
    auto exitCode = std::async(std::launch::async, [&] { return application.Run(); });

    ASSERT_TRUE(WaitUntil([&] { return library.handsetPresent.load() == 1; }))
        << "the handset was not found at start";
    ASSERT_TRUE(WaitUntil([&] { return handset.WaitForConnections(1, 10ms); }));

    // The key report reaches the main window, is queued, decoded and
    // acknowledged as handled: its sequence number OR 0x50.
    handset.LiftReceiver();
    ASSERT_TRUE(WaitUntil([&] {
        for (const auto& report : handset.OutputReports()) {
            if (report[3] == 0x50) return true;
        }
        return false;
    })) << "the key report was never acknowledged";
    EXPECT_EQ(handset.UnacknowledgedReports(), 0);

    WindowHandle window = application.State().mainWindow.load();
    program->Post(window, msg::kCommand, IDM_EXIT, 0);
    ASSERT_EQ(exitCode.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(exitCode.get(), 0);

    // Leaving, the program tells the handset it is offline.
    bool offline = false;
    for (const auto& report : handset.OutputReports()) offline |= report[3] == HS_STATUS_OFFLINE;
    EXPECT_TRUE(offline);
    unsetenv("ONDREL_SYSFS_ROOT");
    unsetenv("ONDREL_DEV_ROOT");
}

}  // namespace
}  // namespace kestrava::testing
