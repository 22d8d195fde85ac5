// The read thread on Windows: reports reach a real window by SendMessage,
// and stopping on the window's own thread lets a report in flight through.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <vector>

#include "FakeHidBus.h"
#include "hidlib/CHidDeviceImpl.h"

using ondrel::testing::FakeHidBus;

namespace {

std::vector<std::pair<WPARAM, LPARAM>> g_handled;

LRESULT CALLBACK RecordReports(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == 1124) {
        g_handled.emplace_back(wParam, lParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class NoTopology final : public ondrel::UsbTopology {
  public:
    std::unique_ptr<ondrel::UsbHub> OpenRootHub(int) override { return nullptr; }
};

class ReadThreadWin32Test : public ::testing::Test {
  protected:
    void SetUp() override {
        g_handled.clear();
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = RecordReports;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "OndrelTestWindow";
        RegisterClassA(&windowClass);
        window = CreateWindowExA(0, "OndrelTestWindow", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 windowClass.hInstance, nullptr);
        ASSERT_NE(window, nullptr);
        bus->Add("hs", 0x0C45, 0x1830);
        ASSERT_EQ(device.Reconnect(), S_OK);
    }
    void TearDown() override {
        device.Release();
        DestroyWindow(window);
    }
    HWND window = nullptr;
    std::shared_ptr<FakeHidBus> bus = std::make_shared<FakeHidBus>();
    CHidDeviceImpl device{bus, std::make_shared<NoTopology>(), [](const std::string&) {}};
};

TEST_F(ReadThreadWin32Test, ReportsArriveAsWindowMessages) {
    ASSERT_EQ(device.StartReading(reinterpret_cast<std::uintptr_t>(window)), S_OK);
    bus->Feed("hs", {0x00, 0x00, 0x80, 0x00, 0x11, 0x22, 0x33, 0x44});
    for (int i = 0; i < 200 && g_handled.empty(); ++i) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
    ASSERT_EQ(g_handled.size(), 1u);
    EXPECT_EQ(g_handled[0].first, 0x00008000u);
    EXPECT_EQ(static_cast<std::uint32_t>(g_handled[0].second), 0x11223344u);
}

TEST_F(ReadThreadWin32Test, StopDuringASendHandlesTheReportAndTheThreadEndsByItself) {
    ASSERT_EQ(device.StartReading(reinterpret_cast<std::uintptr_t>(window)), S_OK);
    bus->Feed("hs", {0, 0, 0x62, 3});
    Sleep(100);  // the read thread is now blocked in SendMessage to our window
    ASSERT_TRUE(g_handled.empty());
    ULONGLONG started = GetTickCount64();
    EXPECT_EQ(device.StopReading(), S_OK);
    EXPECT_LT(GetTickCount64() - started, 400u);
    ASSERT_EQ(g_handled.size(), 1u) << "the report in flight was handled, not lost";
    EXPECT_EQ(g_handled[0].first, 0x00006203u);
    EXPECT_FALSE(device.ReadThreadExists());
}

}  // namespace
