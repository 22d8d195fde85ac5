// The read thread on POSIX, delivering through a notify target that behaves
// like a window owned by the test's thread.
#include <gtest/gtest.h>

#include <thread>

#include "FakeHidBus.h"
#include "TestWindow.h"
#include "hidlib/CHidDeviceImpl.h"

using ondrel::testing::FakeHidBus;
using ondrel::testing::TestWindow;
using namespace std::chrono_literals;

namespace {

class NoTopology final : public ondrel::UsbTopology {
  public:
    std::unique_ptr<ondrel::UsbHub> OpenRootHub(int) override { return nullptr; }
};

class ReadThreadTest : public ::testing::Test {
  protected:
    void Open(std::uint16_t inputLength) {
        bus->Add("hs", 0x0C45, 0x1830, inputLength, 8);
        ASSERT_EQ(device.Reconnect(), S_OK);
    }
    std::vector<std::string> Trace() {
        std::lock_guard lock(traceMutex);
        return trace;
    }
    // The windows outlive the device: a notify target stays valid until the
    // reading has stopped.
    TestWindow window, second;
    std::shared_ptr<FakeHidBus> bus = std::make_shared<FakeHidBus>();
    std::mutex traceMutex;
    std::vector<std::string> trace;
    CHidDeviceImpl device{bus, std::make_shared<NoTopology>(), [this](const std::string& line) {
                              std::lock_guard lock(traceMutex);
                              trace.push_back(line);
                          }};
};

TEST_F(ReadThreadTest, EachReportReachesTheWindowInOrderAndIsTraced) {
    Open(8);
    ASSERT_EQ(device.StartReading(window.Handle()), S_OK);
    bus->Feed("hs", {0x00, 0x00, 0x80, 0x00, 0x11, 0x22, 0x33, 0x44});
    bus->Feed("hs", {0x00, 0x01, 0x31, 0x01});  // short delivery: the rest reads as 0
    for (int i = 0; i < 200 && window.Handled().size() < 2; ++i) window.PumpFor(10ms);
    ASSERT_EQ(window.Handled().size(), 2u);
    EXPECT_EQ(window.Handled()[0].message, 1124u);
    EXPECT_EQ(window.Handled()[0].wParam, 0x00008000u);
    EXPECT_EQ(static_cast<std::uint32_t>(window.Handled()[0].lParam), 0x11223344u);
    EXPECT_EQ(window.Handled()[1].wParam, 0x00013101u);
    EXPECT_EQ(window.Handled()[1].lParam, 0);
    EXPECT_EQ(device.StopReading(), S_OK);
    EXPECT_FALSE(device.ReadThreadExists());
    EXPECT_EQ(Trace()[0], "MCU->PC: 00 00 80 00 11 22 33 44.......\n");
}

TEST_F(ReadThreadTest, ShortInputReportsCarryAllOnesInTheSecondParameter) {
    Open(4);
    device.SetNotifyMessage(0x0401);
    ASSERT_EQ(device.StartReading(window.Handle()), S_OK);
    bus->Feed("hs", {0x00, 0x00, 0x1F, 0x02});
    for (int i = 0; i < 200 && window.Handled().empty(); ++i) window.PumpFor(10ms);
    ASSERT_EQ(window.Handled().size(), 1u);
    EXPECT_EQ(window.Handled()[0].message, 0x0401u);
    EXPECT_EQ(static_cast<std::uint32_t>(window.Handled()[0].lParam), 0xFFFFFFFFu);
}

TEST_F(ReadThreadTest, SecondStartKeepsTheFirstWindowAndThread) {
    Open(8);
    TestWindow& first = window;
    ASSERT_EQ(device.StartReading(first.Handle()), S_OK);
    EXPECT_EQ(device.StartReading(second.Handle()), S_OK);
    EXPECT_EQ(device.NotifyWindow(), first.Handle());
    EXPECT_EQ(bus->ReadersOpened(), 1);
    bus->Feed("hs", {0, 0, 0x35, 0});
    for (int i = 0; i < 200 && first.Handled().empty(); ++i) first.PumpFor(10ms);
    EXPECT_EQ(first.Handled().size(), 1u);
    EXPECT_TRUE(second.Handled().empty());
}

TEST_F(ReadThreadTest, WithoutAWindowReportsAreOnlyTraced) {
    Open(8);
    ASSERT_EQ(device.StartReading(0), S_OK);
    bus->Feed("hs", {0, 0, 0x36, 1});
    for (int i = 0; i < 200 && Trace().empty(); ++i) std::this_thread::sleep_for(5ms);
    EXPECT_EQ(Trace().size(), 1u);
    EXPECT_EQ(device.StopReading(), S_OK);
}

TEST_F(ReadThreadTest, BareWindowHandleIsNotFollowed) {
    Open(8);
    // Not a notify target: must not be dereferenced (this would crash).
    ASSERT_EQ(device.StartReading(0x10010), S_OK);
    bus->Feed("hs", {0, 0, 0x37, 2});
    for (int i = 0; i < 200 && Trace().empty(); ++i) std::this_thread::sleep_for(5ms);
    EXPECT_EQ(Trace().size(), 1u);
}

TEST_F(ReadThreadTest, StopDuringASynchronousSendLetsTheReportThroughAndTheThreadEnd) {
    Open(8);
    TestWindow window;  // owned by this thread, which does not pump on its own
    ASSERT_EQ(device.StartReading(window.Handle()), S_OK);
    bus->Feed("hs", {0, 0, 0x62, 3});
    ASSERT_TRUE(window.WaitForPendingSend(2s)) << "the read thread is inside its send";

    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(device.StopReading(), S_OK);
    auto took = std::chrono::steady_clock::now() - started;

    ASSERT_EQ(window.Handled().size(), 1u) << "the report in flight was handled, not lost";
    EXPECT_EQ(window.Handled()[0].wParam, 0x00006203u);
    EXPECT_LT(took, 400ms) << "the thread ended by itself, well before the grace time";
    EXPECT_FALSE(device.ReadThreadExists());
}

TEST_F(ReadThreadTest, UnopenableReaderWaitsForTheStopWithoutSpinning) {
    bus->Add(FakeHidBus::Device{"gone", {0x0C45, 0x1830, 1}, {8, 8, 0}, false});
    // No device opens, the thread still runs and ends on the stop request.
    ASSERT_EQ(device.StartReading(window.Handle()), S_OK);
    EXPECT_TRUE(device.ReadThreadExists());
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(device.Close(), S_OK);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 400ms);
    EXPECT_FALSE(device.ReadThreadExists());
}

}  // namespace
