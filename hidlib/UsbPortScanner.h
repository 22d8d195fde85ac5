// Finds the handset's port in the USB tree and tells whether an external
// USB 2.0 hub was met on the way: the renderer then paces its output reports.
#pragma once

#include <cstdint>
#include <memory>

#include "UsbTopology.h"

namespace ondrel {

class CUsbPortScanner {
  public:
    explicit CUsbPortScanner(std::shared_ptr<UsbTopology> topology);

    // 1 when, on one host controller, the device was found and a USB 2.0 hub
    // was opened during that controller's walk (on any branch before the
    // device's port was reached); 0 otherwise. The numbered controllers are
    // walked first, then those the topology lists by interface class.
    int ScanForDevice(std::uint16_t vendorId, std::uint16_t productId);

  private:
    // One controller's walk from its root hub; true when it saw both.
    bool WalkController(std::unique_ptr<UsbHub> root);
    void WalkHub(UsbHub& hub, const UsbConnection* parent);

    std::shared_ptr<UsbTopology> m_pTopology;
    std::int32_t m_bUsb2HubSeen = 0;
    std::int32_t m_bDeviceFound = 0;
    std::int32_t m_nVendorId = 0;
    std::int32_t m_nProductId = 0;
};

}  // namespace ondrel
