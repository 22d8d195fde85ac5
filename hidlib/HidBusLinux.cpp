#include "HidBusLinux.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace ondrel {

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// "HID_ID=0003:00000C45:00001830" -> vendor 0x0C45, product 0x1830.
bool ParseHidId(const std::string& uevent, HidAttributes* attributes) {
    std::istringstream lines(uevent);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("HID_ID=", 0) != 0) continue;
        unsigned bus = 0, vendor = 0, product = 0;
        if (std::sscanf(line.c_str() + 7, "%x:%x:%x", &bus, &vendor, &product) != 3) return false;
        attributes->vendorId = static_cast<std::uint16_t>(vendor);
        attributes->productId = static_cast<std::uint16_t>(product);
        return true;
    }
    return false;
}

int NumberOf(const std::string& name) {
    std::size_t digits = name.find_first_of("0123456789");
    return digits == std::string::npos ? -1 : std::atoi(name.c_str() + digits);
}

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

  private:
    int m_fd;
};

class LinuxWriteHandle final : public HidWriteHandle {
  public:
    LinuxWriteHandle(int fd, LinuxHidBus::DeviceInfo info) : m_fd(fd), m_info(info) {}

    bool Attributes(HidAttributes* attributes) override {
        if (!m_info.valid) return false;
        *attributes = m_info.attributes;
        return true;
    }
    bool Capabilities(HidCaps* caps) override {
        if (!m_info.valid) return false;
        *caps = m_info.layout.caps;
        return true;
    }
    bool Write(const std::uint8_t* report, std::size_t length) override {
        // Byte 0 is the report id; the node takes it as the first byte either way.
        for (;;) {
            ssize_t written = ::write(m_fd.get(), report, length);
            if (written == static_cast<ssize_t>(length)) return true;
            if (written < 0 && errno == EINTR) continue;
            return false;
        }
    }

  private:
    FileDescriptor m_fd;
    LinuxHidBus::DeviceInfo m_info;
};

// The report id byte and the three bytes after it: the first word of a
// report as the read thread hands it on.
constexpr std::size_t kShortestDelivery = 4;

class LinuxReader final : public HidReader {
  public:
    LinuxReader(int fd, bool usesReportIds)
        : m_device(fd),
          m_stop(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
          m_usesReportIds(usesReportIds) {}

    bool IsOpen() const override { return m_device.get() >= 0; }

    void RequestStop() override {
        std::uint64_t one = 1;
        if (::write(m_stop.get(), &one, sizeof one) < 0) {
            // The counter cannot overflow with single increments; nothing to do.
        }
    }

    Outcome ReadOrStop(std::uint8_t* buffer, std::size_t length) override {
        for (;;) {
            pollfd fds[2] = {{m_stop.get(), POLLIN, 0}, {m_device.get(), POLLIN, 0}};
            // A device that is gone (or never opened) is not polled again: only
            // the stop request is left to wait for, and nothing spins.
            nfds_t count = (m_deviceGone || m_device.get() < 0) ? 1 : 2;
            int ready = ::poll(fds, count, -1);
            if (ready < 0) {
                if (errno == EINTR) continue;
                return Outcome::Failed;
            }
            if (fds[0].revents & POLLIN) {
                std::uint64_t value = 0;
                if (::read(m_stop.get(), &value, sizeof value) < 0) {
                    // Already consumed: the stop is what counts.
                }
                return Outcome::Stopped;
            }
            if (count < 2) continue;
            if (fds[1].revents & POLLIN) {
                // Devices without numbered reports deliver the data alone; the
                // report id byte 0 is put in front, where the reader expects it.
                std::size_t offset = m_usesReportIds ? 0 : 1;
                if (length <= offset) return Outcome::Failed;
                ssize_t got = ::read(m_device.get(), buffer + offset, length - offset);
                if (got > 0 &&
                    offset + static_cast<std::size_t>(got) < std::min(kShortestDelivery, length)) {
                    // Too short to fill the first word handed on: what is
                    // missing would read as zeros (a code and a number the
                    // device never sent). Left out, and read on.
                    std::fill(buffer + offset, buffer + offset + got, std::uint8_t{0});
                    continue;
                }
                if (got > 0) {
                    if (offset) buffer[0] = 0;
                    return Outcome::Report;
                }
                if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
                m_deviceGone = true;  // end of stream or unplugged
                continue;
            }
            if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) m_deviceGone = true;
        }
    }

  private:
    FileDescriptor m_device;
    FileDescriptor m_stop;
    bool m_usesReportIds;
    bool m_deviceGone = false;
};

}  // namespace

int OpenDeviceNode(const std::string& path, bool nonBlocking) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return -1;
    if (S_ISSOCK(info.st_mode)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path.size() >= sizeof(address.sun_path)) return -1;
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        int fd =
            ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | (nonBlocking ? SOCK_NONBLOCK : 0), 0);
        if (fd < 0) return -1;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    }
    return ::open(path.c_str(), O_RDWR | O_CLOEXEC | (nonBlocking ? O_NONBLOCK : 0));
}

LinuxHidBus::LinuxHidBus(std::string sysfsRoot, std::string deviceRoot)
    : m_sysfsRoot(std::move(sysfsRoot)), m_deviceRoot(std::move(deviceRoot)) {}

std::vector<std::string> LinuxHidBus::DevicePaths() {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir((m_sysfsRoot + "/class/hidraw").c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            std::string name = entry->d_name;
            if (name.rfind("hidraw", 0) == 0) names.push_back(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return NumberOf(a) < NumberOf(b); });
    std::vector<std::string> paths;
    for (const std::string& name : names) paths.push_back(m_deviceRoot + "/" + name);
    return paths;
}

std::string LinuxHidBus::NameOf(const std::string& path) const {
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

LinuxHidBus::DeviceInfo LinuxHidBus::Describe(const std::string& name) const {
    DeviceInfo info;
    std::string device = m_sysfsRoot + "/class/hidraw/" + name + "/device";
    if (!ParseHidId(ReadFile(device + "/uevent"), &info.attributes)) return info;
    std::string descriptor = ReadFile(device + "/report_descriptor");
    info.layout = ParseReportDescriptor(reinterpret_cast<const std::uint8_t*>(descriptor.data()),
                                        descriptor.size());
    info.valid = true;
    return info;
}

std::unique_ptr<HidWriteHandle> LinuxHidBus::OpenDevice(const std::string& path) {
    int fd = OpenDeviceNode(path, false);
    if (fd < 0) return nullptr;
    return std::make_unique<LinuxWriteHandle>(fd, Describe(NameOf(path)));
}

std::unique_ptr<HidReader> LinuxHidBus::OpenReader(const std::string& path) {
    DeviceInfo info = Describe(NameOf(path));
    int fd = path.empty() ? -1 : OpenDeviceNode(path, true);
    return std::make_unique<LinuxReader>(fd, info.layout.usesReportIds);
}

// ONDREL_SYSFS_ROOT and ONDREL_DEV_ROOT point the library at another device
// tree (a test rig, or the simulated handset of simulation mode).
std::shared_ptr<HidBus> SystemHidBus() {
    const char* sysfs = std::getenv("ONDREL_SYSFS_ROOT");
    const char* dev = std::getenv("ONDREL_DEV_ROOT");
    return std::make_shared<LinuxHidBus>(sysfs && *sysfs ? sysfs : "/sys",
                                         dev && *dev ? dev : "/dev");
}

}  // namespace ondrel
