// An in-memory HID bus: devices with chosen ids and report lengths, writes
// recorded (and failed on request), input reports fed by the test.
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

#include "hidlib/HidBus.h"

namespace ondrel::testing {

class FakeHidBus final : public HidBus {
  public:
    struct Device {
        std::string path;
        HidAttributes attributes;
        HidCaps caps{8, 8, 0};
        bool openable = true;
    };
    using Report = std::vector<std::uint8_t>;

    void Add(Device device) {
        std::lock_guard lock(m_mutex);
        m_devices.push_back(std::move(device));
    }
    void Add(const std::string& path, std::uint16_t vendor, std::uint16_t product,
             std::uint16_t inputLength = 8, std::uint16_t outputLength = 8) {
        Add(Device{path, {vendor, product, 1}, {inputLength, outputLength, 0}, true});
    }

    // A device that cannot be opened is passed over, as one unplugged or busy.
    void SetOpenable(const std::string& path, bool openable) {
        std::lock_guard lock(m_mutex);
        for (Device& device : m_devices) {
            if (device.path == path) device.openable = openable;
        }
    }
    // Writes fail while this is above zero; each failure counts it down.
    void FailNextWrites(int count) {
        std::lock_guard lock(m_mutex);
        m_failWrites = count;
    }
    std::vector<std::pair<std::string, Report>> Writes() {
        std::lock_guard lock(m_mutex);
        return m_writes;
    }
    int OpenHandles() {
        std::lock_guard lock(m_mutex);
        return m_openHandles;
    }
    // An input report for every reader of `path`, report id byte first.
    void Feed(const std::string& path, Report report) {
        std::lock_guard lock(m_mutex);
        m_input[path].push_back(std::move(report));
        m_wake.notify_all();
    }
    int ReadersOpened() {
        std::lock_guard lock(m_mutex);
        return m_readersOpened;
    }

    std::vector<std::string> DevicePaths() override {
        std::lock_guard lock(m_mutex);
        std::vector<std::string> paths;
        for (const Device& device : m_devices) paths.push_back(device.path);
        return paths;
    }
    std::unique_ptr<HidWriteHandle> OpenDevice(const std::string& path) override;
    std::unique_ptr<HidReader> OpenReader(const std::string& path) override;

  private:
    class Handle;
    class Reader;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<Device> m_devices;
    std::vector<std::pair<std::string, Report>> m_writes;
    std::map<std::string, std::deque<Report>> m_input;
    int m_failWrites = 0;
    int m_openHandles = 0;
    int m_readersOpened = 0;
};

class FakeHidBus::Handle final : public HidWriteHandle {
  public:
    Handle(FakeHidBus& bus, Device device) : m_bus(bus), m_device(std::move(device)) {
        std::lock_guard lock(m_bus.m_mutex);
        ++m_bus.m_openHandles;
    }
    ~Handle() override {
        std::lock_guard lock(m_bus.m_mutex);
        --m_bus.m_openHandles;
    }
    bool Attributes(HidAttributes* attributes) override {
        *attributes = m_device.attributes;
        return true;
    }
    bool Capabilities(HidCaps* caps) override {
        *caps = m_device.caps;
        return true;
    }
    bool Write(const std::uint8_t* report, std::size_t length) override {
        std::lock_guard lock(m_bus.m_mutex);
        m_bus.m_writes.emplace_back(m_device.path, Report(report, report + length));
        if (m_bus.m_failWrites > 0) {
            --m_bus.m_failWrites;
            return false;
        }
        return true;
    }

  private:
    FakeHidBus& m_bus;
    Device m_device;
};

class FakeHidBus::Reader final : public HidReader {
  public:
    Reader(FakeHidBus& bus, std::string path, bool open)
        : m_bus(bus), m_path(std::move(path)), m_open(open) {}
    bool IsOpen() const override { return m_open; }
    void RequestStop() override {
        std::lock_guard lock(m_bus.m_mutex);
        m_stop = true;
        m_bus.m_wake.notify_all();
    }
    Outcome ReadOrStop(std::uint8_t* buffer, std::size_t length) override {
        std::unique_lock lock(m_bus.m_mutex);
        auto& queue = m_bus.m_input[m_path];
        m_bus.m_wake.wait(lock, [&] { return m_stop || (m_open && !queue.empty()); });
        if (m_stop) {
            m_stop = false;
            return Outcome::Stopped;
        }
        Report report = queue.front();
        queue.pop_front();
        std::copy(report.begin(), report.begin() + std::min(report.size(), length), buffer);
        return Outcome::Report;
    }

  private:
    FakeHidBus& m_bus;
    std::string m_path;
    bool m_open;
    bool m_stop = false;
};

inline std::unique_ptr<HidWriteHandle> FakeHidBus::OpenDevice(const std::string& path) {
    Device found;
    {
        std::lock_guard lock(m_mutex);
        auto it = std::find_if(m_devices.begin(), m_devices.end(),
                               [&](const Device& d) { return d.path == path; });
        if (it == m_devices.end() || !it->openable) return nullptr;
        found = *it;
    }
    return std::make_unique<Handle>(*this, found);
}

inline std::unique_ptr<HidReader> FakeHidBus::OpenReader(const std::string& path) {
    bool open = false;
    {
        std::lock_guard lock(m_mutex);
        ++m_readersOpened;
        for (const Device& d : m_devices) open = open || (d.path == path && d.openable);
    }
    return std::make_unique<Reader>(*this, path, open);
}

}  // namespace ondrel::testing
