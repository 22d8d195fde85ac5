// The USB tree on Windows through the hub driver's queries: host controllers
// "\\.\HCD0".."\\.\HCD9" (and, where those names do not cover them all,
// the controllers of the host controller interface class), their root hubs,
// node and connection information and the names of external hubs.
#include <windows.h>
// clang-format off
#include <winioctl.h>
#include <setupapi.h>
#include <usbioctl.h>
// clang-format on

#include <cstdio>
#include <string>
#include <vector>

#include "UsbTopology.h"

namespace ondrel {

namespace {

constexpr int kPipeRecords = 30;

// {3ABF6F2D-71C4-462A-8A92-1E6861E6AF27}: USB host controller interfaces.
constexpr GUID kHostControllerInterface = {
    0x3ABF6F2D, 0x71C4, 0x462A, {0x8A, 0x92, 0x1E, 0x68, 0x61, 0xE6, 0xAF, 0x27}};

// The version the system really is: GetVersionEx answers what the program's
// manifest claims, so the kernel's own answer is asked for.
bool NeedsInterfaceEnumeration() {
    using RtlGetVersionFn = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto get = ntdll ? reinterpret_cast<RtlGetVersionFn>(
                           reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                     : nullptr;
    RTL_OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (get == nullptr || get(&version) != 0) return false;
    // Below 5, and on every x.0 release (2000, 10, 11), the controllers are
    // also looked up by interface class.
    return version.dwMajorVersion < 5 || version.dwMinorVersion == 0;
}

std::vector<std::wstring> HostControllerInterfacePaths() {
    std::vector<std::wstring> paths;
    HDEVINFO set = SetupDiGetClassDevsW(&kHostControllerInterface, nullptr, nullptr,
                                        DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return paths;
    SP_DEVICE_INTERFACE_DATA item{};
    item.cbSize = sizeof item;
    for (DWORD i = 0;
         SetupDiEnumDeviceInterfaces(set, nullptr, &kHostControllerInterface, i, &item); ++i) {
        DWORD size = 0;
        SetupDiGetDeviceInterfaceDetailW(set, &item, nullptr, 0, &size, nullptr);
        if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) continue;
        std::vector<std::uint8_t> storage(size);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (SetupDiGetDeviceInterfaceDetailW(set, &item, detail, size, nullptr, nullptr)) {
            paths.emplace_back(detail->DevicePath);
        }
    }
    SetupDiDestroyDeviceInfoList(set);
    return paths;
}

HANDLE OpenForWriting(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                       nullptr);
}

// Asks for a name record whose length comes back in its first field.
template <typename Record>
std::wstring QueryName(HANDLE handle, DWORD code, ULONG connectionIndex) {
    Record probe{};
    if constexpr (requires { probe.ConnectionIndex; }) probe.ConnectionIndex = connectionIndex;
    DWORD returned = 0;
    if (!DeviceIoControl(handle, code, &probe, sizeof probe, &probe, sizeof probe, &returned,
                         nullptr)) {
        return {};
    }
    ULONG size = probe.ActualLength;
    if (size < sizeof(Record)) return {};
    std::vector<std::uint8_t> storage(size);
    auto* record = reinterpret_cast<Record*>(storage.data());
    if constexpr (requires { record->ConnectionIndex; }) record->ConnectionIndex = connectionIndex;
    if (!DeviceIoControl(handle, code, record, size, record, size, &returned, nullptr)) return {};
    if constexpr (requires { record->NodeName; }) {
        return std::wstring(record->NodeName);
    } else {
        return std::wstring(record->RootHubName);
    }
}

class Win32UsbHub final : public UsbHub {
  public:
    explicit Win32UsbHub(HANDLE handle) : m_handle(handle) {}
    ~Win32UsbHub() override { CloseHandle(m_handle); }

    std::optional<int> PortCount() override {
        USB_NODE_INFORMATION node{};
        DWORD returned = 0;
        if (!DeviceIoControl(m_handle, IOCTL_USB_GET_NODE_INFORMATION, &node, sizeof node, &node,
                             sizeof node, &returned, nullptr)) {
            return std::nullopt;
        }
        return node.u.HubInformation.HubDescriptor.bNumberOfPorts;
    }

    std::optional<UsbConnection> Connection(int port) override {
        DWORD size = sizeof(USB_NODE_CONNECTION_INFORMATION) + kPipeRecords * sizeof(USB_PIPE_INFO);
        std::vector<std::uint8_t> storage(size);
        auto* info = reinterpret_cast<USB_NODE_CONNECTION_INFORMATION*>(storage.data());
        info->ConnectionIndex = static_cast<ULONG>(port);
        DWORD returned = 0;
        if (!DeviceIoControl(m_handle, IOCTL_USB_GET_NODE_CONNECTION_INFORMATION, info, size, info,
                             size, &returned, nullptr)) {
            return std::nullopt;
        }
        UsbConnection connection;
        connection.connected = info->ConnectionStatus == DeviceConnected;
        connection.isHub = info->DeviceIsHub != 0;
        connection.vendorId = info->DeviceDescriptor.idVendor;
        connection.productId = info->DeviceDescriptor.idProduct;
        connection.bcdUsb = info->DeviceDescriptor.bcdUSB;
        return connection;
    }

    std::unique_ptr<UsbHub> OpenExternalHub(int port) override {
        std::wstring name = QueryName<USB_NODE_CONNECTION_NAME>(
            m_handle, IOCTL_USB_GET_NODE_CONNECTION_NAME, static_cast<ULONG>(port));
        if (name.empty()) return nullptr;
        HANDLE hub = OpenForWriting(L"\\\\.\\" + name);
        if (hub == INVALID_HANDLE_VALUE) return nullptr;
        return std::make_unique<Win32UsbHub>(hub);
    }

  private:
    HANDLE m_handle;
};

class Win32UsbTopology final : public UsbTopology {
  public:
    std::unique_ptr<UsbHub> OpenRootHub(int index) override {
        wchar_t path[32];
        std::swprintf(path, 32, L"\\\\.\\HCD%d", index);
        return OpenController(path);
    }

    // Listed afresh for each scan: controllers come and go with the machine.
    int InterfaceControllerCount() override {
        m_interfacePaths = NeedsInterfaceEnumeration() ? HostControllerInterfacePaths()
                                                       : std::vector<std::wstring>();
        return static_cast<int>(m_interfacePaths.size());
    }

    std::unique_ptr<UsbHub> OpenInterfaceRootHub(int index) override {
        if (index < 0 || static_cast<std::size_t>(index) >= m_interfacePaths.size()) return nullptr;
        return OpenController(m_interfacePaths[static_cast<std::size_t>(index)]);
    }

  private:
    static std::unique_ptr<UsbHub> OpenController(const std::wstring& path) {
        HANDLE controller = OpenForWriting(path);
        if (controller == INVALID_HANDLE_VALUE) return nullptr;
        std::wstring name =
            QueryName<USB_ROOT_HUB_NAME>(controller, IOCTL_USB_GET_ROOT_HUB_NAME, 0);
        CloseHandle(controller);
        if (name.empty()) return nullptr;
        HANDLE hub = OpenForWriting(L"\\\\.\\" + name);
        if (hub == INVALID_HANDLE_VALUE) return nullptr;
        return std::make_unique<Win32UsbHub>(hub);
    }

    std::vector<std::wstring> m_interfacePaths;
};

}  // namespace

std::shared_ptr<UsbTopology> SystemUsbTopology() {
    return std::make_shared<Win32UsbTopology>();
}

}  // namespace ondrel
