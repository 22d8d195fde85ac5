// The USB tree on Windows through the hub driver's queries: host controllers
// "\\.\HCD0".."\\.\HCD9", their root hubs, node and connection information
// and the names of external hubs.
#include <windows.h>
// clang-format off
#include <winioctl.h>
#include <usbioctl.h>
// clang-format on

#include <cstdio>
#include <string>
#include <vector>

#include "UsbTopology.h"

namespace ondrel {

namespace {

constexpr int kPipeRecords = 30;

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
};

}  // namespace

std::shared_ptr<UsbTopology> SystemUsbTopology() {
    return std::make_shared<Win32UsbTopology>();
}

}  // namespace ondrel
