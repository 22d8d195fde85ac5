// The handset component against an in-memory HID bus: report bytes, trace
// lines, retries, the matching rule and the port status notice.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "CLcdRenderer.h"
#include "FakeHidBus.h"
#include "Fakes.h"
#include "hidlib/CHidDeviceImpl.h"
#include "platform/Pause.h"

using ondrel::testing::FakeHidBus;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

std::atomic<int> g_pauses17{0};
std::atomic<int> g_pausesOther{0};
void CountPause(std::chrono::milliseconds duration) {
    (duration.count() == 17 ? g_pauses17 : g_pausesOther)++;
}

class FixedTopology final : public ondrel::UsbTopology {
  public:
    std::unique_ptr<ondrel::UsbHub> OpenRootHub(int) override { return nullptr; }
};

using MockRenderer = kestrava::testing::MockLcdRenderer;

class HidDeviceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_pauses17 = 0;
        g_pausesOther = 0;
        kestrava::SetPauseHook(CountPause);
    }
    void TearDown() override {
        device.Release();
        kestrava::SetPauseHook(nullptr);
    }
    std::vector<std::string> Trace() {
        std::lock_guard lock(traceMutex);
        return trace;
    }
    FakeHidBus::Report LastWrite() { return bus->Writes().back().second; }

    std::shared_ptr<FakeHidBus> bus = std::make_shared<FakeHidBus>();
    std::mutex traceMutex;
    std::vector<std::string> trace;
    CHidDeviceImpl device{bus, std::make_shared<FixedTopology>(), [this](const std::string& line) {
                              std::lock_guard lock(traceMutex);
                              trace.push_back(line);
                          }};
};

TEST_F(HidDeviceTest, EveryOutputReportHasItsBytesAndTraceLine) {
    bus->Add("hs", 0x0C45, 0x1830);
    ASSERT_EQ(device.Reconnect(), S_OK);

    EXPECT_EQ(device.SendCommand(0x9E), 0);
    EXPECT_THAT(LastWrite(), ElementsAre(0, 0, 0, 0x9E, 0, 0, 0, 0));
    EXPECT_EQ(device.SendCommandData(0x6A, 0x0A), S_OK);
    EXPECT_THAT(LastWrite(), ElementsAre(0, 0, 0, 0x6A, 0x0A, 0, 0, 0));
    EXPECT_EQ(device.QRV_SetMixerRegControl(0x0E, 0x80, 0x48), S_OK);
    EXPECT_THAT(LastWrite(), ElementsAre(0, 0, 0, 0, 0x60, 0x0E, 0x80, 0x48));
    EXPECT_EQ(device.QRV_GetMixerRegControl(0x0E), S_OK);
    EXPECT_THAT(LastWrite(), ElementsAre(0, 0, 0, 0, 0x70, 0x0E, 0, 0));
    EXPECT_EQ(device.EnableMixerControl(), S_OK);
    EXPECT_THAT(LastWrite(), ElementsAre(0, 0, 0, 0, 0x60, 0x1A, 0x55, 0x55));
    EXPECT_EQ(device.DisableMixerControl(), S_OK);
    EXPECT_THAT(LastWrite(), ElementsAre(0, 0, 0, 0, 0x60, 0x1A, 0x00, 0x00));

    EXPECT_THAT(Trace(),
                ElementsAre("MCU<-PC: 00 00 00 9E 00 00 00 00 ...\n",
                            "MCU<-PC: 00 00 00 6A 0A 00 00 00 ...\n",
                            "MCU<-PC: QRV_SetMixerRegControl-> 00 00 00 00 60 0E 80 48 ...\n",
                            "MCU<-PC: QRV_GetMixerRegControl( E)-> 00 00 00 00 70 0E 00 00 ...\n",
                            "MCU<-PC: EnableMixerControl-> 00 00 00 00 60 1A 55 55 ...\n",
                            "MCU<-PC: DisableMixerControl-> 00 00 00 00 60 1A 00 00 ...\n"));
}

TEST_F(HidDeviceTest, ReportsAreWrittenWithTheDevicesOutputLengthZeroFilled) {
    bus->Add("hs", 0x0C45, 0x1830, 8, 12);
    ASSERT_EQ(device.Reconnect(), S_OK);
    device.SendCommandData(0x41, 0x05);
    EXPECT_THAT(LastWrite(), ElementsAre(0, 0, 0, 0x41, 0x05, 0, 0, 0, 0, 0, 0, 0));
}

TEST_F(HidDeviceTest, FailedCommandWriteIsRetriedOnceAfter17ms) {
    bus->Add("hs", 0x0C45, 0x1830);
    ASSERT_EQ(device.Reconnect(), S_OK);

    bus->FailNextWrites(5);
    EXPECT_EQ(device.SendCommand(0x20), 0);
    EXPECT_EQ(device.SendCommandData(0x41, 0x00), S_OK);  // failure is not reported
    EXPECT_EQ(bus->Writes().size(), 4u);
    EXPECT_EQ(g_pauses17, 2);

    bus->FailNextWrites(1);
    device.SendCommand(0x1F);  // second try succeeds
    EXPECT_EQ(bus->Writes().size(), 6u);

    bus->FailNextWrites(1);
    EXPECT_EQ(device.QRV_SetMixerRegControl(0x0E, 0x80, 0x08), S_OK);  // written once only
    EXPECT_EQ(bus->Writes().size(), 7u);
    EXPECT_EQ(g_pauses17, 3);
}

TEST_F(HidDeviceTest, WithoutADeviceNothingIsWritten) {
    EXPECT_EQ(device.SendCommand(0x07), 0);
    EXPECT_EQ(device.SendCommandData(0x1A, 0x0A), E_FAIL);
    EXPECT_EQ(device.EnableMixerControl(), E_FAIL);
    EXPECT_EQ(device.DisableMixerControl(), E_FAIL);
    EXPECT_EQ(device.QRV_GetMixerRegControl(1), E_FAIL);
    EXPECT_EQ(device.QRV_SetMixerRegControl(1, 2, 3), E_FAIL);
    EXPECT_EQ(device.Reconnect(), E_FAIL);  // still no handset
    EXPECT_EQ(device.SendCommandData(0x1A, 0x0A), E_FAIL);
    EXPECT_TRUE(bus->Writes().empty());
    EXPECT_TRUE(Trace().empty());
    EXPECT_EQ(device.DeviceState(), -1);
}

TEST_F(HidDeviceTest, HandsetNeedsTheVendorAndBothProductBits) {
    struct Case {
        std::uint16_t vendor, product;
        bool matches;
    };
    for (Case c :
         {Case{0x0C45, 0x1800, true}, Case{0x0C45, 0x3C01, true}, Case{0x0C45, 0x0800, false},
          Case{0x0C45, 0x1000, false}, Case{0x0C46, 0x1830, false}}) {
        auto caseBus = std::make_shared<FakeHidBus>();
        caseBus->Add("hs", c.vendor, c.product);
        CHidDeviceImpl d(caseBus, std::make_shared<FixedTopology>(), [](const std::string&) {});
        EXPECT_EQ(d.Reconnect() == S_OK, c.matches) << std::hex << c.vendor << ":" << c.product;
        EXPECT_EQ(caseBus->OpenHandles(), c.matches ? 1 : 0) << "handles of a miss are closed";
    }
}

TEST_F(HidDeviceTest, FirstMatchingDeviceInSystemOrderWins) {
    bus->Add("mouse", 0x046D, 0xC077);
    bus->Add(FakeHidBus::Device{"busy", {0x0C45, 0x1830, 1}, {8, 8, 0}, false});
    bus->Add("first", 0x0C45, 0x1830);
    bus->Add("second", 0x0C45, 0x3C01);
    ASSERT_EQ(device.Reconnect(), S_OK);
    EXPECT_EQ(device.DevicePath(), "first");
    EXPECT_EQ(device.ProductId(), 0x1830);
    EXPECT_EQ(device.DeviceState(), 0);
    EXPECT_EQ(bus->OpenHandles(), 1);
    device.SendCommand(0x51);
    EXPECT_EQ(bus->Writes().back().first, "first");
}

TEST_F(HidDeviceTest, ProductListSelectsUnderTheMask) {
    bus->Add("a", 0x0C45, 0x1830);  // bits 11 and 12
    bus->Add("b", 0x0C45, 0x1001);  // bit 12 only
    const std::uint32_t bit12Only[] = {0x1000};
    device.SetProductList(bit12Only, 1);
    ASSERT_EQ(device.Reconnect(), S_OK);
    EXPECT_EQ(device.DevicePath(), "b");

    const std::uint32_t eleven[11] = {0x1800, 0x1800, 0x1800, 0x1800, 0x1800, 0x1800,
                                      0x1800, 0x1800, 0x1800, 0x1800, 0x1800};
    EXPECT_EQ(device.SetProductList(eleven, 11), S_OK);  // ignored
    ASSERT_EQ(device.Reconnect(), S_OK);
    EXPECT_EQ(device.DevicePath(), "b");

    device.SetProductList(nullptr, 0);  // empty list: the mask alone decides
    ASSERT_EQ(device.Reconnect(), S_OK);
    EXPECT_EQ(device.DevicePath(), "a");
}

TEST_F(HidDeviceTest, ReconnectTellsTheRendererThePortStatusOnlyWhenOpened) {
    MockRenderer renderer;
    device.AttachRenderer(&renderer);
    EXPECT_CALL(renderer, SetPortStatus(::testing::_)).Times(0);
    EXPECT_EQ(device.Reconnect(), E_FAIL);
    ::testing::Mock::VerifyAndClearExpectations(&renderer);

    bus->Add("hs", 0x0C45, 0x1830);
    EXPECT_CALL(renderer, SetPortStatus(0)).Times(1);  // no controller opens here
    EXPECT_EQ(device.Reconnect(), S_OK);
    EXPECT_EQ(device.BehindUsb2Hub(), 0);
}

TEST(HidDeviceParameters, ReportBytesArePackedMostSignificantFirst) {
    const std::uint8_t report[8] = {0x00, 0x12, 0x80, 0x03, 0xA4, 0xB5, 0xC6, 0xD7};
    std::uintptr_t first = 0;
    std::intptr_t second = 0;
    CHidDeviceImpl::PackReport(report, 8, &first, &second);
    EXPECT_EQ(first, 0x00128003u);
    EXPECT_EQ(static_cast<std::uint32_t>(second), 0xA4B5C6D7u);

    CHidDeviceImpl::PackReport(report, 4, &first, &second);
    EXPECT_EQ(first, 0x00128003u);
    EXPECT_EQ(static_cast<std::uint32_t>(second), 0xFFFFFFFFu);
}

TEST_F(HidDeviceTest, StopReadingWithoutAThreadIsHarmless) {
    EXPECT_EQ(device.StopReading(), S_OK);
    bus->Add("hs", 0x0C45, 0x1830);
    ASSERT_EQ(device.Reconnect(), S_OK);
    EXPECT_EQ(device.StopReading(), S_OK);
    EXPECT_TRUE(device.IsOpen()) << "StopReading leaves the write side alone";
    EXPECT_EQ(device.Close(), S_OK);
    EXPECT_FALSE(device.IsOpen());
    EXPECT_EQ(bus->OpenHandles(), 0);
}

// Reconnect on one thread while another writes: each write goes out with the
// report length of the device whose handle it uses.
TEST_F(HidDeviceTest, AWriteDuringReconnectSeesOneDevicesWholeState) {
    bus->Add("short", 0x0C45, 0x1830, 8, 8);
    bus->Add("long", 0x0C45, 0x1830, 8, 65);
    ASSERT_EQ(device.Reconnect(), S_OK);
    std::atomic<bool> done{false};
    std::atomic<int> sent{0};
    std::thread writer([&] {
        while (!done) {
            device.SendCommand(0x51);
            ++sent;
        }
    });
    for (int i = 0; i < 2000; ++i) {
        while (sent < i / 4) std::this_thread::yield();  // keep the writer in step
        bus->SetOpenable("short", i % 2 == 0);
        device.Reconnect();
    }
    done = true;
    writer.join();
    int checked = 0;
    for (const auto& [path, report] : bus->Writes()) {
        ASSERT_EQ(report.size(), path == "short" ? 8u : 65u) << path << " after " << checked;
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

TEST(HidDeviceFactory, SetNotifyMessageAnswersOneAndNewObjectsAreIndependent) {
    auto bus = std::make_shared<FakeHidBus>();
    bus->Add("hs", 0x0C45, 0x1830);
    CHidDeviceImpl one(bus, std::make_shared<FixedTopology>(), [](const std::string&) {});
    CHidDeviceImpl two(bus, std::make_shared<FixedTopology>(), [](const std::string&) {});
    EXPECT_EQ(one.SetNotifyMessage(0x500), 1);
    ASSERT_EQ(one.Reconnect(), S_OK);
    EXPECT_FALSE(two.IsOpen());
    EXPECT_EQ(two.SendCommandData(1, 2), E_FAIL);
    EXPECT_EQ(one.SendCommandData(1, 2), S_OK);
}

}  // namespace
