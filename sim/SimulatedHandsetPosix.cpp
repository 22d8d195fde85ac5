#include <fcntl.h>
#include <linux/sockios.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "SimulatedHandset.h"

namespace kestrava::sim {

namespace {

// Vendor-defined collection: 7 data bytes in, 7 out, no numbered reports, so
// each report is 8 bytes with its report id byte 0.
const std::uint8_t kReportDescriptor[] = {
    0x06, 0x00, 0xFF,  // usage page (vendor defined)
    0x09, 0x01,        // usage 1
    0xA1, 0x01,        // collection (application)
    0x15, 0x00,        //   logical minimum 0
    0x26, 0xFF, 0x00,  //   logical maximum 255
    0x75, 0x08,        //   report size 8
    0x95, 0x07,        //   report count 7
    0x09, 0x01,        //   usage 1
    0x81, 0x02,        //   input (data, variable, absolute)
    0x09, 0x02,        //   usage 2
    0x91, 0x02,        //   output (data, variable, absolute)
    0xC0,              // end collection
};

}  // namespace

struct SimulatedHandset::Boundary {
    int listener = -1;
    int wake = -1;  // eventfd: stop or re-plug
    std::vector<int> connections;
    // Taken out of use by Unplug, closed only by the serving thread: it may
    // still be polling or reading them, and a number closed under it could be
    // reused by any descriptor of the process before it closes it again.
    std::vector<int> retired;
    bool plugged = true;
    bool stopping = false;
    mutable std::condition_variable changed;
};

SimulatedHandset::SimulatedHandset(std::string root, bool withDisplay)
    : m_root(std::move(root)), m_firmware(withDisplay), m_boundary(std::make_unique<Boundary>()) {
    if (m_root.empty()) {
        char pattern[] = "/tmp/handset-XXXXXX";
        if (char* made = ::mkdtemp(pattern)) m_root = made;
        m_bOwnsRoot = true;
    }
    m_boundary->wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    WriteTree();
    m_server = std::thread([this] { Serve(); });
}

SimulatedHandset::~SimulatedHandset() {
    {
        std::lock_guard lock(m_mutex);
        m_boundary->stopping = true;
    }
    std::uint64_t one = 1;
    (void)!::write(m_boundary->wake, &one, sizeof one);
    m_server.join();
    for (int fd : m_boundary->retired) ::close(fd);
    for (int fd : m_boundary->connections) ::close(fd);
    if (m_boundary->listener >= 0) ::close(m_boundary->listener);
    ::close(m_boundary->wake);
    std::error_code ignored;
    if (m_bOwnsRoot) std::filesystem::remove_all(m_root, ignored);
}

void SimulatedHandset::WriteTree() {
    namespace fs = std::filesystem;
    std::string device = SysfsRoot() + "/class/hidraw/hidraw0/device";
    fs::create_directories(device);
    fs::create_directories(DeviceRoot());
    std::ofstream(device + "/uevent") << "DRIVER=hid-generic\n"
                                      << "HID_ID=0003:0000" << std::hex << std::uppercase
                                      << kVendorId << ":0000" << kProductId << "\n"
                                      << "HID_NAME=Simulated handset\n";
    std::ofstream(device + "/report_descriptor", std::ios::binary)
        .write(reinterpret_cast<const char*>(kReportDescriptor), sizeof kReportDescriptor);

    ::unlink(DevicePath().c_str());
    int listener = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, DevicePath().c_str(), sizeof(address.sun_path) - 1);
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 8) != 0) {
        ::close(listener);
        listener = -1;
    }
    m_boundary->listener = listener;
}

void SimulatedHandset::Serve() {
    for (;;) {
        std::vector<pollfd> fds;
        int listener = -1;
        int timeout = -1;
        {
            std::lock_guard lock(m_mutex);
            timeout = HoldWaitMillisecondsLocked();
            if (m_boundary->stopping) return;
            // Not polled any more, so closing them here cannot hit a reused number.
            for (int fd : m_boundary->retired) ::close(fd);
            m_boundary->retired.clear();
            fds.push_back({m_boundary->wake, POLLIN, 0});
            listener = m_boundary->listener;
            if (listener >= 0) fds.push_back({listener, POLLIN, 0});
            for (int fd : m_boundary->connections) fds.push_back({fd, POLLIN, 0});
        }
        int ready = ::poll(fds.data(), fds.size(), timeout);
        if (ready == 0) {
            ReleaseHeldKeys();
            continue;
        }
        if (ready < 0) continue;
        if (fds[0].revents & POLLIN) {
            std::uint64_t value;
            (void)!::read(m_boundary->wake, &value, sizeof value);
            continue;  // the set of descriptors changed
        }
        for (std::size_t i = 1; i < fds.size(); ++i) {
            if (!fds[i].revents) continue;
            int fd = fds[i].fd;
            if (fd == listener) {
                int connection = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
                if (connection >= 0) {
                    std::lock_guard lock(m_mutex);
                    if (m_boundary->listener != fd) {
                        ::close(connection);  // accepted just as the handset was unplugged
                        continue;
                    }
                    m_boundary->connections.push_back(connection);
                    m_boundary->changed.notify_all();
                }
                continue;
            }
            std::uint8_t packet[64] = {};
            ssize_t got = ::recv(fd, packet, sizeof packet, 0);
            if (got <= 0) {
                if (got < 0 && errno == EAGAIN) continue;
                // A closed handle; one that Unplug retired is closed at the top.
                std::lock_guard lock(m_mutex);
                auto& list = m_boundary->connections;
                auto at = std::find(list.begin(), list.end(), fd);
                if (at == list.end()) continue;
                list.erase(at);
                ::close(fd);
                continue;
            }
            HandleOutputReport(packet, static_cast<std::size_t>(got));
        }
    }
}

void SimulatedHandset::Broadcast(const HandsetFirmware::InputReport& report) {
    // Every open handle gets each input report, as with the real device; a
    // handle nobody reads just drops reports once its buffer is full. The
    // report id byte is not sent: the device has no numbered reports.
    std::lock_guard lock(m_mutex);
    if (!m_boundary->plugged) return;
    if (report[3] <= 3) m_lastNormal = report;
    for (int fd : m_boundary->connections) {
        (void)!::send(fd, report.data() + 1, report.size() - 1, MSG_DONTWAIT | MSG_NOSIGNAL);
    }
}

void SimulatedHandset::SendRawPacket(const std::vector<std::uint8_t>& data) {
    std::lock_guard lock(m_mutex);
    if (!m_boundary->plugged) return;
    for (int fd : m_boundary->connections) {
        (void)!::send(fd, data.data(), data.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    }
}

bool SimulatedHandset::WaitForReportsRead(std::chrono::milliseconds timeout) const {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        bool read = false;
        {
            std::lock_guard lock(m_mutex);
            for (int fd : m_boundary->connections) {
                int queued = 0;
                if (::ioctl(fd, SIOCOUTQ, &queued) == 0 && queued == 0) read = true;
            }
        }
        if (read) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void SimulatedHandset::Unplug() {
    std::lock_guard lock(m_mutex);
    if (!m_boundary->plugged) return;
    m_boundary->plugged = false;
    // The program's handles see the unplug once the serving thread has closed these.
    auto& retired = m_boundary->retired;
    retired.insert(retired.end(), m_boundary->connections.begin(), m_boundary->connections.end());
    m_boundary->connections.clear();
    if (m_boundary->listener >= 0) retired.push_back(m_boundary->listener);
    m_boundary->listener = -1;
    ::unlink(DevicePath().c_str());
    std::error_code ignored;
    std::filesystem::remove_all(SysfsRoot() + "/class/hidraw/hidraw0", ignored);
    std::uint64_t one = 1;
    (void)!::write(m_boundary->wake, &one, sizeof one);
}

void SimulatedHandset::PlugIn() {
    std::lock_guard lock(m_mutex);
    if (m_boundary->plugged) return;
    WriteTree();
    m_boundary->plugged = true;
    std::uint64_t one = 1;
    (void)!::write(m_boundary->wake, &one, sizeof one);
}

std::condition_variable& SimulatedHandset::Changed() const {
    return m_boundary->changed;
}

bool SimulatedHandset::PluggedLocked() const {
    return m_boundary->plugged;
}

int SimulatedHandset::ConnectionCountLocked() const {
    return static_cast<int>(m_boundary->connections.size());
}

}  // namespace kestrava::sim
