// The Windows bus for real: CreateFile, overlapped reads and synchronous
// writes against the simulated handset's named pipe, reports reaching a real
// window by SendMessage.
#include <gtest/gtest.h>
#include <windows.h>

#include <thread>
#include <vector>

#include "SimulatedHandset.h"
#include "hidlib/CHidDeviceImpl.h"
#include "hidlib/HidBusWin32.h"

using kestrava::sim::SimulatedHandset;
using namespace std::chrono_literals;

namespace {

class NoTopology final : public ondrel::UsbTopology {
  public:
    std::unique_ptr<ondrel::UsbHub> OpenRootHub(int) override { return nullptr; }
};

// A message-only window that records the handset reports sent to it.
class ReportWindow {
  public:
    ReportWindow() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "OndrelPipeTestWindow";
        RegisterClassA(&windowClass);  // fails harmlessly when already registered
        m_window = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                   nullptr, windowClass.hInstance, nullptr);
        SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~ReportWindow() { DestroyWindow(m_window); }

    std::uintptr_t Handle() const { return reinterpret_cast<std::uintptr_t>(m_window); }
    // Handles what other threads send until `count` reports have arrived.
    bool Receive(std::size_t count) {
        for (int i = 0; i < 300 && handled.size() < count; ++i) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        }
        return handled.size() >= count;
    }
    std::uint8_t Code(std::size_t index) const { return (handled[index].first >> 8) & 0xFF; }
    std::uint8_t Seq(std::size_t index) const { return handled[index].first & 0xFF; }

    std::vector<std::pair<WPARAM, LPARAM>> handled;

  private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<ReportWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self && message == CHidDeviceImpl::kDefaultNotifyMessage) {
            self->handled.emplace_back(wParam, lParam);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
    HWND m_window = nullptr;
};

std::shared_ptr<ondrel::HidBus> PipeBus(const std::string& entries) {
    return ondrel::MakeWin32HidBus(ondrel::ParseExtraDevices(entries), false);
}

class PipeHandsetTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(device.Reconnect(), S_OK); }
    void TearDown() override { device.Release(); }

    SimulatedHandset handset;
    ReportWindow window;  // outlives the device's reading
    CHidDeviceImpl device{PipeBus(handset.ExtraDeviceEntry()), std::make_shared<NoTopology>(),
                          [](const std::string&) {}};
};

TEST_F(PipeHandsetTest, FoundThroughTheConfiguredPipeWithItsIdsAndLengths) {
    EXPECT_EQ(device.VendorId(), 0x0C45);
    EXPECT_EQ(device.ProductId(), 0x1830);
    EXPECT_EQ(device.Caps().inputReportLength, 8);
    EXPECT_EQ(device.Caps().outputReportLength, 8);
    EXPECT_EQ(device.DevicePath(), handset.DevicePath());
    EXPECT_EQ(handset.DevicePath().rfind("\\\\.\\pipe\\", 0), 0u);
}

TEST_F(PipeHandsetTest, ReadySequenceBringsTheAnnouncementWithReportIdFirst) {
    ASSERT_EQ(device.StartReading(window.Handle()), S_OK);
    ASSERT_TRUE(handset.WaitForConnections(2, 2s)) << "the write handle and the reader";
    device.SendCommand(0x51);
    device.SendCommand(0x06);
    ASSERT_TRUE(window.Receive(1));
    EXPECT_EQ(window.handled[0].first, 0x00008000u) << "id 0, button 0, 0x80, seq 0";
    EXPECT_EQ(window.handled[0].second, 0);
    EXPECT_EQ(handset.UnacknowledgedReports(), 0) << "the program does not acknowledge it";
    device.SendCommand(0x50);  // an acknowledgement of seq 0 all the same
    ASSERT_TRUE(handset.WaitForOutputReports(3, 2s));
    EXPECT_EQ(handset.UnexpectedAcknowledgements(), 1);
    const auto outputs = handset.OutputReports();
    EXPECT_EQ(outputs[0], (SimulatedHandset::OutputReport{0, 0, 0, 0x51, 0, 0, 0, 0}))
        << "one pipe message per report, report id byte first";
}

TEST_F(PipeHandsetTest, KeysCountSequenceNumbersAndTransferRepliesTheirOwn) {
    ASSERT_EQ(device.StartReading(window.Handle()), S_OK);
    ASSERT_TRUE(handset.WaitForConnections(2, 2s));
    for (int i = 0; i < 5; ++i) handset.PressKey(0x31 + i);
    ASSERT_TRUE(window.Receive(5));
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(window.Code(i), 0x31 + i) << "one message per report, in order";
        EXPECT_EQ(window.Seq(i), i % 4);
    }
    device.SendCommand(0x3F);  // a text in font mode follows
    ASSERT_TRUE(window.Receive(6));
    EXPECT_EQ(window.Code(5), 0x5A);
    EXPECT_EQ(window.Seq(5), 4);
}

TEST_F(PipeHandsetTest, TransferUnitsDrawTextAndGlyphsOnTheLcd) {
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

TEST_F(PipeHandsetTest, UnplugEndsTheReadsAndReconnectFindsItAgain) {
    ASSERT_EQ(device.StartReading(window.Handle()), S_OK);
    ASSERT_TRUE(handset.WaitForConnections(2, 2s));
    handset.Unplug();
    EXPECT_EQ(device.SendCommandData(0x1A, 0x0A), S_OK) << "the handle stays until closed";
    EXPECT_EQ(device.Reconnect(), E_FAIL) << "the pipe is gone";
    EXPECT_FALSE(device.IsOpen());
    handset.PlugIn();
    ASSERT_EQ(device.Reconnect(), S_OK);
    ASSERT_EQ(device.StartReading(window.Handle()), S_OK);
    ASSERT_TRUE(handset.WaitForConnections(2, 2s));
    handset.LiftReceiver();
    ASSERT_TRUE(window.Receive(1));
    EXPECT_EQ(window.Code(0), 0x1F);
    EXPECT_EQ(window.handled.size(), 1u) << "the old reader delivered nothing after the unplug";
}

TEST(PipeHandsetConfiguration, TheConfiguredIdentityDecidesAndTheEnvironmentConfigures) {
    SimulatedHandset handset;
    std::string pipe = handset.DevicePath();
    auto open = [](std::shared_ptr<ondrel::HidBus> bus) {
        CHidDeviceImpl device{std::move(bus), std::make_shared<NoTopology>(),
                              [](const std::string&) {}};
        return device.Reconnect();
    };
    // A pipe has no HID identity: a configured product id without bit 11 does not match,
    // and a configured path that does not exist is skipped for the next entry.
    EXPECT_EQ(open(PipeBus(pipe + "=0C45:1000:8:8")), E_FAIL);
    EXPECT_EQ(open(PipeBus("\\\\.\\pipe\\kestrava-nobody-here=0C45:1830:8:8;" +
                           handset.ExtraDeviceEntry())),
              S_OK);

    SetEnvironmentVariableA("ONDREL_EXTRA_DEVICES",
                            ("not an entry;" + handset.ExtraDeviceEntry()).c_str());
    SetEnvironmentVariableA("ONDREL_SYSTEM_DEVICES", "0");
    std::shared_ptr<ondrel::HidBus> bus = ondrel::SystemHidBus();
    SetEnvironmentVariableA("ONDREL_EXTRA_DEVICES", nullptr);
    SetEnvironmentVariableA("ONDREL_SYSTEM_DEVICES", nullptr);
    EXPECT_EQ(bus->DevicePaths(), std::vector<std::string>{pipe});
    EXPECT_EQ(open(bus), S_OK);
}

// The program's write handle never reads: once its pipe buffer is full the
// handset drops reports for it at once, and the handle gets reports again
// when it is read.
TEST(PipeHandsetBoundary, AHandleNobodyReadsDropsReportsWithoutHoldingUpTheHandset) {
    SimulatedHandset handset;
    HANDLE idle = CreateFileA(handset.DevicePath().c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(idle, INVALID_HANDLE_VALUE);
    DWORD mode = PIPE_READMODE_MESSAGE;
    ASSERT_TRUE(SetNamedPipeHandleState(idle, &mode, nullptr, nullptr));
    ASSERT_TRUE(handset.WaitForConnections(1, 2s));

    constexpr int kPresses = 1600;  // well beyond what the pipe buffer holds
    ULONGLONG started = GetTickCount64();
    for (int i = 0; i < kPresses; ++i) handset.PressKey(0x31);
    EXPECT_LT(GetTickCount64() - started, 3000u);

    auto readOne = [&](std::uint8_t* report) {
        DWORD available = 0, got = 0;
        for (int i = 0; i < 200; ++i) {
            if (!PeekNamedPipe(idle, nullptr, 0, nullptr, &available, nullptr)) return false;
            if (available) return ReadFile(idle, report, 8, &got, nullptr) && got == 8;
            Sleep(10);
        }
        return false;
    };
    int kept = 0;
    std::uint8_t report[8];
    DWORD available = 0;
    while (PeekNamedPipe(idle, nullptr, 0, nullptr, &available, nullptr) && available) {
        ASSERT_TRUE(readOne(report));
        ASSERT_EQ(report[3], kept % 4) << "the oldest reports, in order";
        ++kept;
    }
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, kPresses);
    handset.PressKey(0x32);
    ASSERT_TRUE(readOne(report));
    EXPECT_EQ(report[2], 0x32);
    CloseHandle(idle);
}

// A pipe peer that sends a message longer than the input report: the reader
// delivers its first bytes and the next read starts with the next message.
TEST(PipeReader, LongerMessageGivesOneReportAndNothingOfItsRest) {
    const std::string name =
        "\\\\.\\pipe\\kestrava-long-message-" + std::to_string(GetCurrentProcessId());
    HANDLE server = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX,
                                     PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 4096,
                                     4096, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    auto bus = PipeBus(name + "=0C45:1830:8:8");
    std::unique_ptr<ondrel::HidReader> reader = bus->OpenReader(name);
    ASSERT_TRUE(reader->IsOpen());
    ASSERT_FALSE(ConnectNamedPipe(server, nullptr));
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PIPE_CONNECTED));

    const std::uint8_t longer[12] = {0, 0, 0x31, 0, 1, 2, 3, 4, 0xEE, 0xEE, 0xEE, 0xEE};
    const std::uint8_t next[8] = {0, 0, 0x32, 1, 5, 6, 7, 8};
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(server, longer, sizeof longer, &written, nullptr));
    ASSERT_TRUE(WriteFile(server, next, sizeof next, &written, nullptr));

    std::uint8_t buffer[8] = {};
    ASSERT_EQ(reader->ReadOrStop(buffer, sizeof buffer), ondrel::HidReader::Outcome::Report);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + 8),
              std::vector<std::uint8_t>(longer, longer + 8));
    ASSERT_EQ(reader->ReadOrStop(buffer, sizeof buffer), ondrel::HidReader::Outcome::Report);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + 8),
              std::vector<std::uint8_t>(next, next + 8));

    std::thread stopper([&] {
        std::this_thread::sleep_for(50ms);
        reader->RequestStop();
    });
    EXPECT_EQ(reader->ReadOrStop(buffer, sizeof buffer), ondrel::HidReader::Outcome::Stopped);
    stopper.join();
    CloseHandle(server);
}

}  // namespace
