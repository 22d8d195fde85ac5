// The HID bus on Windows: SetupAPI lists the HID interfaces, hid.dll gives
// attributes and capabilities, output reports are synchronous writes and the
// read thread uses an overlapped read with a read event and a stop event.
// Extra devices from the configuration are opened by their path (a named pipe
// is switched to message read mode: one message per report) and answer the
// attribute and capability queries from the configuration.
#include <windows.h>

#include <algorithm>
// clang-format off
#include <setupapi.h>
extern "C" {  // the hid.dll headers carry no linkage of their own
#include <hidsdi.h>
#include <hidpi.h>
}
// clang-format on

#include <cstdio>
#include <vector>

#include "HidBusWin32.h"

namespace ondrel {

namespace {

class Win32WriteHandle final : public HidWriteHandle {
  public:
    // `configured` (kept by the caller's copy) answers the queries instead of hid.dll.
    Win32WriteHandle(HANDLE handle, const ExtraHidDevice* configured)
        : m_handle(handle), m_bConfigured(configured != nullptr) {
        if (configured) m_configured = *configured;
    }
    ~Win32WriteHandle() override { CloseHandle(m_handle); }

    bool Attributes(HidAttributes* attributes) override {
        if (m_bConfigured) {
            *attributes = m_configured.attributes;
            return true;
        }
        HIDD_ATTRIBUTES raw{};
        raw.Size = sizeof raw;
        if (!HidD_GetAttributes(m_handle, &raw)) return false;
        attributes->vendorId = raw.VendorID;
        attributes->productId = raw.ProductID;
        attributes->version = raw.VersionNumber;
        return true;
    }
    bool Capabilities(HidCaps* caps) override {
        if (m_bConfigured) {
            *caps = m_configured.caps;
            return true;
        }
        PHIDP_PREPARSED_DATA preparsed = nullptr;
        if (!HidD_GetPreparsedData(m_handle, &preparsed)) return false;
        HIDP_CAPS raw{};
        bool ok = HidP_GetCaps(preparsed, &raw) == HIDP_STATUS_SUCCESS;
        HidD_FreePreparsedData(preparsed);
        if (!ok) return false;
        caps->inputReportLength = raw.InputReportByteLength;
        caps->outputReportLength = raw.OutputReportByteLength;
        caps->featureReportLength = raw.FeatureReportByteLength;
        return true;
    }
    bool Write(const std::uint8_t* report, std::size_t length) override {
        DWORD written = 0;
        return WriteFile(m_handle, report, static_cast<DWORD>(length), &written, nullptr) &&
               written == length;
    }

  private:
    HANDLE m_handle;
    bool m_bConfigured;
    ExtraHidDevice m_configured;
};

class Win32Reader final : public HidReader {
  public:
    explicit Win32Reader(HANDLE handle)
        : m_handle(handle),
          m_readEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          m_stopEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Win32Reader() override {
        if (m_handle != INVALID_HANDLE_VALUE) CloseHandle(m_handle);
        if (m_readEvent) CloseHandle(m_readEvent);
        if (m_stopEvent) CloseHandle(m_stopEvent);
    }

    bool IsOpen() const override { return m_handle != INVALID_HANDLE_VALUE; }
    void RequestStop() override { SetEvent(m_stopEvent); }

    Outcome ReadOrStop(std::uint8_t* buffer, std::size_t length) override {
        OVERLAPPED overlapped{};
        overlapped.hEvent = m_readEvent;  // offsets 0
        bool pending = false;
        if (m_handle != INVALID_HANDLE_VALUE) {
            DWORD got = 0;
            // A read that cannot start leaves the read event unset: only the
            // stop event can end the wait, so nothing spins.
            // ERROR_MORE_DATA: a pipe message longer than the report, read
            // in part; the read is complete and its event set.
            if (ReadFile(m_handle, buffer, static_cast<DWORD>(length), &got, &overlapped) ||
                GetLastError() == ERROR_IO_PENDING || GetLastError() == ERROR_MORE_DATA) {
                pending = true;
            }
        }
        HANDLE events[2] = {m_stopEvent, m_readEvent};
        DWORD result = WaitForMultipleObjects(2, events, FALSE, INFINITE);
        if (result == WAIT_OBJECT_0) {
            ResetEvent(m_stopEvent);
            if (pending) {
                CancelIo(m_handle);
                // The cancelled read must be finished before its buffer goes.
                DWORD ignored = 0;
                GetOverlappedResult(m_handle, &overlapped, &ignored, TRUE);
            }
            ResetEvent(m_readEvent);
            return Outcome::Stopped;
        }
        if (result == WAIT_OBJECT_0 + 1) {
            DWORD got = 0;
            bool ok = GetOverlappedResult(m_handle, &overlapped, &got, FALSE);
            bool longer = !ok && GetLastError() == ERROR_MORE_DATA;
            ResetEvent(m_readEvent);
            if (longer) {
                // The report is the message's first bytes; the rest must not
                // pass for the next report.
                DiscardRestOfMessage();
                return Outcome::Report;
            }
            if (!ok) {
                // The device went away: wait for the stop request alone.
                CloseHandle(m_handle);
                m_handle = INVALID_HANDLE_VALUE;
                return ReadOrStop(buffer, length);
            }
            return Outcome::Report;
        }
        return Outcome::Failed;
    }

  private:
    // The rest of a message is already in the pipe, so these reads do not wait.
    void DiscardRestOfMessage() {
        for (;;) {
            std::uint8_t scratch[64];
            OVERLAPPED overlapped{};
            overlapped.hEvent = m_readEvent;
            DWORD got = 0;
            bool ok = ReadFile(m_handle, scratch, sizeof scratch, &got, &overlapped);
            if (!ok && GetLastError() == ERROR_IO_PENDING) {
                ok = GetOverlappedResult(m_handle, &overlapped, &got, TRUE);
            } else if (!ok && GetLastError() == ERROR_MORE_DATA) {
                GetOverlappedResult(m_handle, &overlapped, &got, TRUE);  // completed
            }
            bool more = !ok && GetLastError() == ERROR_MORE_DATA;
            ResetEvent(m_readEvent);
            if (!more) return;
        }
    }

    HANDLE m_handle;
    HANDLE m_readEvent;
    HANDLE m_stopEvent;
};

HANDLE OpenPath(const std::string& path, DWORD flags) {
    if (path.empty()) return INVALID_HANDLE_VALUE;
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, flags, nullptr);
}

bool IsPipePath(const std::string& path) {
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path.data(),
                          static_cast<int>(std::min<std::size_t>(path.size(), 9)), "\\\\.\\pipe\\",
                          9) == CSTR_EQUAL;
}

// A configured path. A pipe whose instances are all taken, or that has
// none for a moment while its server puts up the next one, is tried again
// for a little while, as pipe clients do; WaitNamedPipe alone is not enough,
// since it fails at once while no instance listens. A pipe is switched to
// message read mode so that each read returns one report. Other paths are
// opened as they are.
HANDLE OpenConfiguredPath(const std::string& path, DWORD flags) {
    constexpr ULONGLONG kPipeBusyWaitMs = 500;
    const ULONGLONG deadline = GetTickCount64() + kPipeBusyWaitMs;
    const bool pipe = IsPipePath(path);
    HANDLE handle = OpenPath(path, flags);
    while (handle == INVALID_HANDLE_VALUE && (GetLastError() == ERROR_PIPE_BUSY ||
                                              (pipe && GetLastError() == ERROR_FILE_NOT_FOUND))) {
        ULONGLONG now = GetTickCount64();
        if (now >= deadline) break;
        if (!WaitNamedPipeA(path.c_str(), static_cast<DWORD>(deadline - now))) Sleep(5);
        handle = OpenPath(path, flags);
    }
    if (handle == INVALID_HANDLE_VALUE) return handle;
    DWORD type = GetFileType(handle);
    if (type == FILE_TYPE_PIPE) {
        DWORD mode = PIPE_READMODE_MESSAGE;
        if (!SetNamedPipeHandleState(handle, &mode, nullptr, nullptr)) {
            CloseHandle(handle);  // a byte pipe would run reports together
            return INVALID_HANDLE_VALUE;
        }
    }
    return handle;
}

bool SamePath(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                          b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

class Win32HidBus final : public HidBus {
  public:
    Win32HidBus(std::vector<ExtraHidDevice> extraDevices, bool systemDevices)
        : m_extraDevices(std::move(extraDevices)), m_bSystemDevices(systemDevices) {}

    std::vector<std::string> DevicePaths() override {
        std::vector<std::string> paths;
        for (const ExtraHidDevice& device : m_extraDevices) paths.push_back(device.path);
        if (!m_bSystemDevices) return paths;
        GUID hidGuid;
        HidD_GetHidGuid(&hidGuid);
        HDEVINFO set =
            SetupDiGetClassDevsA(&hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
        if (set == INVALID_HANDLE_VALUE) return paths;
        SP_DEVICE_INTERFACE_DATA interfaceData{};
        interfaceData.cbSize = sizeof interfaceData;
        for (DWORD index = 0;
             SetupDiEnumDeviceInterfaces(set, nullptr, &hidGuid, index, &interfaceData); ++index) {
            DWORD size = 0;
            SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, nullptr, 0, &size, nullptr);
            if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) continue;
            std::vector<std::uint8_t> storage(size);
            auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(storage.data());
            detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
            if (SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, detail, size, nullptr,
                                                 nullptr)) {
                paths.emplace_back(detail->DevicePath);
            }
        }
        SetupDiDestroyDeviceInfoList(set);
        return paths;
    }

    std::unique_ptr<HidWriteHandle> OpenDevice(const std::string& path) override {
        const ExtraHidDevice* extra = Find(path);
        HANDLE handle = extra ? OpenConfiguredPath(path, 0) : OpenPath(path, 0);
        if (handle == INVALID_HANDLE_VALUE) return nullptr;
        return std::make_unique<Win32WriteHandle>(handle, extra);
    }

    std::unique_ptr<HidReader> OpenReader(const std::string& path) override {
        return std::make_unique<Win32Reader>(Find(path)
                                                 ? OpenConfiguredPath(path, FILE_FLAG_OVERLAPPED)
                                                 : OpenPath(path, FILE_FLAG_OVERLAPPED));
    }

  private:
    const ExtraHidDevice* Find(const std::string& path) const {
        if (path.empty()) return nullptr;
        for (const ExtraHidDevice& device : m_extraDevices) {
            if (SamePath(device.path, path)) return &device;
        }
        return nullptr;
    }

    std::vector<ExtraHidDevice> m_extraDevices;
    bool m_bSystemDevices;
};

std::string EnvironmentValue(const char* name) {
    char small[1024];
    DWORD size = GetEnvironmentVariableA(name, small, sizeof small);
    if (size == 0) return {};
    if (size < sizeof small) return std::string(small, size);
    std::string value(size, '\0');  // size counts the terminator here
    size = GetEnvironmentVariableA(name, value.data(), static_cast<DWORD>(value.size()));
    value.resize(size < value.size() ? size : 0);
    return value;
}

}  // namespace

std::shared_ptr<HidBus> MakeWin32HidBus(std::vector<ExtraHidDevice> extraDevices,
                                        bool systemDevices) {
    return std::make_shared<Win32HidBus>(std::move(extraDevices), systemDevices);
}

// ONDREL_EXTRA_DEVICES lists extra devices (ExtraDevices.h) ahead of the
// system's; ONDREL_SYSTEM_DEVICES=0 leaves the system's out.
std::shared_ptr<HidBus> SystemHidBus() {
    std::vector<std::string> rejected;
    std::vector<ExtraHidDevice> extra =
        ParseExtraDevices(EnvironmentValue("ONDREL_EXTRA_DEVICES"), &rejected);
    for (const std::string& entry : rejected) {
        std::fprintf(stderr, "Ondrel: ONDREL_EXTRA_DEVICES entry ignored: %s\n", entry.c_str());
    }
    return MakeWin32HidBus(std::move(extra), EnvironmentValue("ONDREL_SYSTEM_DEVICES") != "0");
}

}  // namespace ondrel
