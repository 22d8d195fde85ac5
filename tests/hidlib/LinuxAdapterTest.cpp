// The Linux adapters for real: hidraw-like device nodes and sysfs trees, here
// the simulated handset's socket and a USB tree written by the test.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "SimulatedHandset.h"
#include "TestWindow.h"
#include "hidlib/CHidDeviceImpl.h"
#include "hidlib/HidBusLinux.h"
#include "hidlib/ReportDescriptor.h"
#include "hidlib/UsbPortScanner.h"
#include "hidlib/UsbTopologyLinux.h"

using kestrava::sim::SimulatedHandset;
using ondrel::testing::TestWindow;
using namespace std::chrono_literals;

namespace {

TEST(ReportDescriptor, LengthsCountTheReportIdByte) {
    const std::uint8_t plain[] = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08,
                                  0x95, 0x07, 0x81, 0x02, 0x95, 0x07, 0x91, 0x02, 0xC0};
    ondrel::ReportLayout layout = ondrel::ParseReportDescriptor(plain, sizeof plain);
    EXPECT_EQ(layout.caps.inputReportLength, 8);
    EXPECT_EQ(layout.caps.outputReportLength, 8);
    EXPECT_FALSE(layout.usesReportIds);

    // Two numbered input reports (3 and 5 bytes), a 1-bit output padded to a byte.
    const std::uint8_t numbered[] = {0x85, 0x01, 0x75, 0x08, 0x95, 0x03, 0x81, 0x02,
                                     0x85, 0x02, 0x95, 0x05, 0x81, 0x02, 0x75, 0x01,
                                     0x95, 0x01, 0x91, 0x02, 0x26, 0xFF};  // truncated item
    layout = ondrel::ParseReportDescriptor(numbered, sizeof numbered);
    EXPECT_TRUE(layout.usesReportIds);
    EXPECT_EQ(layout.caps.inputReportLength, 6);
    EXPECT_EQ(layout.caps.outputReportLength, 2);

    // Four inputs of 2^31 fields of 2^31 bits add up to 2^64 bits: the
    // length stays at its largest instead of wrapping round to nothing.
    const std::uint8_t huge[] = {0x77, 0x00, 0x00, 0x00, 0x80, 0x97, 0x00, 0x00, 0x00,
                                 0x80, 0x81, 0x02, 0x81, 0x02, 0x81, 0x02, 0x81, 0x02};
    layout = ondrel::ParseReportDescriptor(huge, sizeof huge);
    EXPECT_EQ(layout.caps.inputReportLength, 0xFFFF);
}

class SimulatedHandsetTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(device.Reconnect(), S_OK); }
    void TearDown() override { device.Release(); }

    // Pumps the window until `count` reports have arrived.
    bool Receive(std::size_t count) {
        for (int i = 0; i < 300 && window.Handled().size() < count; ++i) window.PumpFor(10ms);
        return window.Handled().size() >= count;
    }
    std::uint8_t Code(std::size_t index) { return (window.Handled()[index].wParam >> 8) & 0xFF; }
    std::uint8_t Seq(std::size_t index) { return window.Handled()[index].wParam & 0xFF; }

    SimulatedHandset handset;
    TestWindow window;  // outlives the device's reading
    CHidDeviceImpl device{
        std::make_shared<ondrel::LinuxHidBus>(handset.SysfsRoot(), handset.DeviceRoot()),
        std::make_shared<ondrel::LinuxUsbTopology>(handset.SysfsRoot()), [](const std::string&) {}};
};

TEST_F(SimulatedHandsetTest, FoundThroughSysfsWithItsIdsAndLengths) {
    EXPECT_EQ(device.VendorId(), 0x0C45);
    EXPECT_EQ(device.ProductId(), 0x1830);
    EXPECT_EQ(device.Caps().inputReportLength, 8);
    EXPECT_EQ(device.Caps().outputReportLength, 8);
    EXPECT_EQ(device.DevicePath(), handset.DevicePath());
}

TEST_F(SimulatedHandsetTest, ReadySequenceBringsTheAnnouncementWithReportIdFirst) {
    ASSERT_EQ(device.StartReading(window.Handle()), S_OK);
    ASSERT_TRUE(handset.WaitForConnections(2, 2s));
    device.SendCommand(0x51);
    device.SendCommand(0x06);
    ASSERT_TRUE(Receive(1));
    EXPECT_EQ(window.Handled()[0].wParam, 0x00008000u) << "id 0, button 0, 0x80, seq 0";
    EXPECT_EQ(window.Handled()[0].lParam, 0);
    EXPECT_EQ(handset.UnacknowledgedReports(), 0) << "the program does not acknowledge it";
    device.SendCommand(0x50);  // an acknowledgement of seq 0 all the same
    ASSERT_TRUE(handset.WaitForOutputReports(3, 2s));
    EXPECT_EQ(handset.UnexpectedAcknowledgements(), 1);
}

TEST_F(SimulatedHandsetTest, KeysCountSequenceNumbersAndTransferRepliesTheirOwn) {
    ASSERT_EQ(device.StartReading(window.Handle()), S_OK);
    ASSERT_TRUE(handset.WaitForConnections(2, 2s));
    for (int i = 0; i < 5; ++i) handset.PressKey(0x31 + i);
    ASSERT_TRUE(Receive(5));
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(Code(i), 0x31 + i);
        EXPECT_EQ(Seq(i), i % 4);
    }
    device.SendCommand(0x3F);  // a text in font mode follows
    ASSERT_TRUE(Receive(6));
    EXPECT_EQ(Code(5), 0x5A);
    EXPECT_EQ(Seq(5), 4);
}

// A delivery too short for the first word would read as code 0 and sequence
// number 0; it is left out. One that fills it is handed on with the rest as
// zeros, and a longer one is cut to the report's length.
TEST_F(SimulatedHandsetTest, DeliveriesThatCannotFillTheFirstWordAreLeftOut) {
    ASSERT_EQ(device.StartReading(window.Handle()), S_OK);
    ASSERT_TRUE(handset.WaitForConnections(2, 2s));
    handset.SendRawPacket({0x07});
    handset.SendRawPacket({0x07, 0x76});
    handset.SendRawPacket({0x01, 0x76, 0x02});
    handset.SendRawPacket({0x01, 0x42, 0x03, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77});
    handset.PressKey(0x31);
    ASSERT_TRUE(Receive(3));
    window.PumpFor(50ms);
    ASSERT_EQ(window.Handled().size(), 3u);
    EXPECT_EQ(window.Handled()[0].wParam, 0x00017602u);
    EXPECT_EQ(window.Handled()[0].lParam, 0);
    EXPECT_EQ(window.Handled()[1].wParam, 0x00014203u);
    EXPECT_EQ(static_cast<std::uint32_t>(window.Handled()[1].lParam), 0x11223344u);
    EXPECT_EQ(Code(2), 0x31);
}

TEST_F(SimulatedHandsetTest, TransferUnitsDrawTextAndGlyphsOnTheLcd) {
    device.SendCommand(0x9E);
    ASSERT_TRUE(handset.WaitForOutputReports(1, 2s));
    EXPECT_TRUE(handset.IsRinging());

    device.SendCommandData(0x00, 0x4F);
    device.SendCommandData(0x6A, 0x0A);
    device.SendCommandData(0x70, 0x0A);
    device.SendCommandData('H', 0x00);
    device.SendCommandData('i', 0x05);
    device.SendCommandData(0x71, 0x0A);
    for (int i = 0; i < 32; ++i) {  // a glyph: left column full height, rest clear
        std::uint8_t byte = (i == 0 || i == 16) ? 0xFF : 0x00;
        device.SendCommandData(byte, i % 2 ? 0x05 : 0x00);
    }
    device.SendCommandData(0x1A, 0x0A);
    device.SendCommand(0x1F);
    ASSERT_TRUE(handset.WaitForOutputReports(1 + 6 + 32 + 2, 2s));

    EXPECT_EQ(handset.LcdText(), "Hi?");
    EXPECT_EQ(handset.TransfersCompleted(), 1);
    EXPECT_FALSE(handset.IsRinging());
    std::string picture = handset.LcdPicture();
    EXPECT_NE(picture.find("|Hi[]"), std::string::npos) << picture;
    EXPECT_NE(picture.find("\n#...............\n"), std::string::npos) << picture;
}

TEST_F(SimulatedHandsetTest, UnplugEndsNothingButTheReadsAndReconnectFindsItAgain) {
    ASSERT_EQ(device.StartReading(window.Handle()), S_OK);
    ASSERT_TRUE(handset.WaitForConnections(2, 2s));
    handset.Unplug();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(device.SendCommandData(0x1A, 0x0A), S_OK) << "the handle stays until closed";
    EXPECT_EQ(device.Reconnect(), E_FAIL);
    EXPECT_FALSE(device.IsOpen());
    handset.PlugIn();
    ASSERT_EQ(device.Reconnect(), S_OK);
    ASSERT_EQ(device.StartReading(window.Handle()), S_OK);
    ASSERT_TRUE(handset.WaitForConnections(2, 2s));
    handset.LiftReceiver();
    ASSERT_TRUE(Receive(1));
    EXPECT_EQ(Code(0), 0x1F);
}

// The program keeps writing while the handset is unplugged and plugged in
// again: the simulated device's descriptors closed by the unplug must never be
// closed a second time, when their numbers may belong to the new connection or
// the reader's stop event.
TEST_F(SimulatedHandsetTest, ReplugInALoopWhileReportsFlowKeepsEveryNewConnectionWorking) {
    std::atomic<bool> done{false};
    std::thread writer([&] {
        while (!done) device.SendCommandData(0x1A, 0x0A);
    });
    for (int round = 0; round < 40; ++round) {
        ASSERT_EQ(device.StartReading(window.Handle()), S_OK) << "round " << round;
        ASSERT_TRUE(handset.WaitForConnections(2, 2s)) << "round " << round;
        handset.LiftReceiver();
        ASSERT_TRUE(Receive(static_cast<std::size_t>(round) + 1)) << "round " << round;
        handset.Unplug();
        handset.PlugIn();
        ASSERT_EQ(device.Reconnect(), S_OK) << "round " << round;
    }
    done = true;
    writer.join();
}

// A sysfs USB tree: usb1 with a 2.0 hub on port 1 holding the handset, usb2 empty.
TEST(LinuxUsbTopology, AnswersFromTheSysfsTree) {
    namespace fs = std::filesystem;
    std::string root = fs::temp_directory_path() / ("usbtree-" + std::to_string(::getpid()));
    std::string devices = root + "/bus/usb/devices";
    auto device = [&](const std::string& name, const char* cls, const char* vid, const char* pid,
                      const char* version, const char* ports) {
        fs::create_directories(devices + "/" + name);
        std::ofstream(devices + "/" + name + "/bDeviceClass") << cls << "\n";
        std::ofstream(devices + "/" + name + "/idVendor") << vid << "\n";
        std::ofstream(devices + "/" + name + "/idProduct") << pid << "\n";
        std::ofstream(devices + "/" + name + "/version") << version << "\n";
        if (ports) std::ofstream(devices + "/" + name + "/maxchild") << ports << "\n";
    };
    device("usb1", "09", "1d6b", "0002", " 2.00", "2");
    device("1-1", "09", "05e3", "0608", " 2.00", "4");
    device("1-1.3", "00", "0c45", "1830", " 1.10", nullptr);
    EXPECT_EQ(ondrel::CUsbPortScanner(std::make_shared<ondrel::LinuxUsbTopology>(root))
                  .ScanForDevice(0x0C45, 0x1830),
              1);

    std::ofstream(devices + "/1-1/version") << " 1.10\n";
    EXPECT_EQ(ondrel::CUsbPortScanner(std::make_shared<ondrel::LinuxUsbTopology>(root))
                  .ScanForDevice(0x0C45, 0x1830),
              0);
    EXPECT_EQ(ondrel::ParseUsbVersion(" 2.00"), 0x0200);
    EXPECT_EQ(ondrel::ParseUsbVersion("1.10"), 0x0110);
    fs::remove_all(root);
}

}  // namespace
