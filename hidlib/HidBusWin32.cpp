// The HID bus on Windows: SetupAPI lists the HID interfaces, hid.dll gives
// attributes and capabilities, output reports are synchronous writes and the
// read thread uses an overlapped read with a read event and a stop event.
#include <windows.h>
// clang-format off
#include <setupapi.h>
extern "C" {  // the hid.dll headers carry no linkage of their own
#include <hidsdi.h>
#include <hidpi.h>
}
// clang-format on

#include <vector>

#include "HidBus.h"

namespace ondrel {

namespace {

class Win32WriteHandle final : public HidWriteHandle {
  public:
    explicit Win32WriteHandle(HANDLE handle) : m_handle(handle) {}
    ~Win32WriteHandle() override { CloseHandle(m_handle); }

    bool Attributes(HidAttributes* attributes) override {
        HIDD_ATTRIBUTES raw{};
        raw.Size = sizeof raw;
        if (!HidD_GetAttributes(m_handle, &raw)) return false;
        attributes->vendorId = raw.VendorID;
        attributes->productId = raw.ProductID;
        attributes->version = raw.VersionNumber;
        return true;
    }
    bool Capabilities(HidCaps* caps) override {
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
            if (ReadFile(m_handle, buffer, static_cast<DWORD>(length), &got, &overlapped) ||
                GetLastError() == ERROR_IO_PENDING) {
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
            ResetEvent(m_readEvent);
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
    HANDLE m_handle;
    HANDLE m_readEvent;
    HANDLE m_stopEvent;
};

HANDLE OpenPath(const std::string& path, DWORD flags) {
    if (path.empty()) return INVALID_HANDLE_VALUE;
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, flags, nullptr);
}

class Win32HidBus final : public HidBus {
  public:
    std::vector<std::string> DevicePaths() override {
        std::vector<std::string> paths;
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
        HANDLE handle = OpenPath(path, 0);
        if (handle == INVALID_HANDLE_VALUE) return nullptr;
        return std::make_unique<Win32WriteHandle>(handle);
    }

    std::unique_ptr<HidReader> OpenReader(const std::string& path) override {
        return std::make_unique<Win32Reader>(OpenPath(path, FILE_FLAG_OVERLAPPED));
    }
};

}  // namespace

std::shared_ptr<HidBus> SystemHidBus() {
    return std::make_shared<Win32HidBus>();
}

}  // namespace ondrel
