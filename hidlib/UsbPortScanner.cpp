#include "UsbPortScanner.h"

namespace ondrel {

namespace {
constexpr std::uint16_t kUsb20 = 0x0200;
}

CUsbPortScanner::CUsbPortScanner(std::shared_ptr<UsbTopology> topology)
    : m_pTopology(std::move(topology)) {}

int CUsbPortScanner::ScanForDevice(std::uint16_t vendorId, std::uint16_t productId) {
    m_nVendorId = vendorId;
    m_nProductId = productId;
    if (!m_pTopology) return 0;
    // Each controller is judged on its own walk: a 2.0 hub on one controller
    // says nothing about a handset on another.
    for (int n = 0; n < UsbTopology::kMaxControllers; ++n) {
        if (WalkController(m_pTopology->OpenRootHub(n))) return 1;
    }
    const int more = m_pTopology->InterfaceControllerCount();
    for (int n = 0; n < more; ++n) {
        if (WalkController(m_pTopology->OpenInterfaceRootHub(n))) return 1;
    }
    return 0;
}

bool CUsbPortScanner::WalkController(std::unique_ptr<UsbHub> root) {
    if (!root) return false;
    m_bUsb2HubSeen = 0;
    m_bDeviceFound = 0;
    WalkHub(*root, nullptr);
    return m_bUsb2HubSeen && m_bDeviceFound;
}

void CUsbPortScanner::WalkHub(UsbHub& hub, const UsbConnection* parent) {
    std::optional<int> ports = hub.PortCount();
    if (!ports) return;
    if (parent && parent->bcdUsb == kUsb20) m_bUsb2HubSeen = 1;
    for (int port = 1; port <= *ports; ++port) {
        std::optional<UsbConnection> connection = hub.Connection(port);
        if (!connection) continue;
        if (connection->connected && !connection->isHub && connection->vendorId == m_nVendorId &&
            connection->productId == m_nProductId) {
            m_bDeviceFound = 1;
            return;
        }
        if (connection->isHub) {
            if (std::unique_ptr<UsbHub> child = hub.OpenExternalHub(port)) {
                WalkHub(*child, &*connection);
            }
            if (m_bDeviceFound) return;
        }
    }
}

}  // namespace ondrel
