// The simulated handset behind its Linux device boundary: tests wait for its
// state instead of sleeping, and an observer sees the LCD after each transfer.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "SimulatedHandset.h"

namespace kestrava::sim {
namespace {

using namespace std::chrono_literals;

// The program's side of the device: one packet per output report.
class DeviceHandle {
  public:
    explicit DeviceHandle(const std::string& path) {
        m_fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
        m_connected = ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~DeviceHandle() { ::close(m_fd); }
    bool Connected() const { return m_connected; }
    // The next input report's code and number; {0, 0xFF} when none came.
    std::pair<std::uint8_t, std::uint8_t> ReadKey() {
        std::uint8_t report[8] = {};
        timeval wait{5, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        if (::recv(m_fd, report, sizeof report, 0) < 4) return {0, 0xFF};
        return {report[1], report[2]};  // no report id byte on this boundary
    }
    void Write(std::uint8_t value, std::uint8_t control = 0) {
        std::uint8_t report[8] = {0, 0, 0, value, control, 0, 0, 0};
        ASSERT_EQ(::send(m_fd, report, sizeof report, 0), 8);
    }

  private:
    int m_fd = -1;
    bool m_connected = false;
};

TEST(SimulatedHandset, WaitsEndWhenTheRingerAndTheTransfersGetThere) {
    SimulatedHandset handset;
    std::mutex mutex;
    std::vector<std::string> pictures;
    handset.SetTransferObserver([&](const std::string& picture) {
        EXPECT_EQ(handset.LcdText(), "Hi") << "the observer may call the handset";
        std::lock_guard lock(mutex);
        pictures.push_back(picture);
    });
    DeviceHandle device(handset.DevicePath());
    ASSERT_TRUE(device.Connected());
    ASSERT_TRUE(handset.WaitForConnections(1, 5s));

    device.Write(0x9E);
    EXPECT_TRUE(handset.WaitForRinging(true, 5s));
    device.Write(0x70, 0x0A);
    device.Write('H', 0x00);
    device.Write('i', 0x05);
    device.Write(0x1A, 0x0A);
    EXPECT_TRUE(handset.WaitForTransfers(1, 5s));
    device.Write(0x1F);
    EXPECT_TRUE(handset.WaitForRinging(false, 5s));
    EXPECT_FALSE(handset.WaitForTransfers(2, 1ms)) << "only one transfer ended";

    std::lock_guard lock(mutex);
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_NE(pictures[0].find("|Hi "), std::string::npos) << pictures[0];
    EXPECT_NE(pictures[0].find("(ringing)"), std::string::npos) << pictures[0];
}

// A transfer the program cut off holds key presses back only until units stop
// coming; the focus commands the program keeps sending every 100 ms are not
// units and must not keep the handset waiting for the rest of it.
TEST(SimulatedHandset, ACutOffTransferReleasesHeldKeysAlthoughCommandsKeepComing) {
    SimulatedHandset handset;
    DeviceHandle device(handset.DevicePath());
    ASSERT_TRUE(device.Connected());
    ASSERT_TRUE(handset.WaitForConnections(1, 5s));

    device.Write(0x70, 0x0A);
    device.Write('H', 0x00);
    ASSERT_TRUE(handset.WaitForOutputReports(2, 5s));
    ASSERT_TRUE(handset.InTransfer());
    handset.PressKey(0x31);
    EXPECT_EQ(handset.HeldKeys(), 1) << "a key pressed during a transfer waits for its end";

    const auto deadline = std::chrono::steady_clock::now() + 3 * SimulatedHandset::kKeyHoldLimit;
    while (handset.HeldKeys() != 0 && std::chrono::steady_clock::now() < deadline) {
        device.Write(0xEE);
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_EQ(handset.HeldKeys(), 0) << "the focus commands kept the cut-off transfer alive";
    EXPECT_FALSE(handset.InTransfer());
    EXPECT_EQ(handset.LcdText(), "H") << "commands between units are not drawn";
}

// An unplugged handset has no power: a key pressed on it makes no report, and
// the first report after it comes back follows the last one sent before.
TEST(SimulatedHandset, AKeyPressedOnAnUnpluggedHandsetMakesNoReport) {
    SimulatedHandset handset;
    auto first = std::make_unique<DeviceHandle>(handset.DevicePath());
    ASSERT_TRUE(handset.WaitForConnections(1, 5s));
    handset.PressKey(0x31);
    const auto [code, number] = first->ReadKey();
    EXPECT_EQ(code, 0x31);
    first.reset();

    handset.Unplug();
    handset.PressKey(0x32);
    handset.PlugIn();
    DeviceHandle second(handset.DevicePath());
    ASSERT_TRUE(handset.WaitForConnections(1, 5s));
    handset.PressKey(0x33);
    const auto [nextCode, nextNumber] = second.ReadKey();
    EXPECT_EQ(nextCode, 0x33);
    EXPECT_EQ(nextNumber, (number + 1) % 4) << "the key pressed while unplugged took a number";
}

}  // namespace
}  // namespace kestrava::sim
