// The handset component that the HID library (Ondrel) hands out.
//
// Callers reach it only through this table of virtual operations; the order of
// the declarations is the order of the table and must not change. Results are
// S_OK / E_FAIL unless an operation says otherwise.
#pragma once

#include <cstdint>

#include "ResultCodes.h"

class CLcdRenderer;

class CHidDevice {
  public:
    using WindowHandle = std::uintptr_t;

    // Finds and opens the handset: vendor 0x0C45 under the vendor mask, a product id
    // under the product mask (and in the product list when one is set).
    virtual HResult Open(std::uint16_t vendorMask, std::uint16_t productMask) = 0;
    // Stops the read thread and closes the write handle; S_OK.
    virtual HResult Close() = 0;
    // Close, then Open with masks 0xFFFF / 0x1800, a port scan and the renderer notice.
    virtual HResult Reconnect() = 0;
    // Same effect as Close; S_OK.
    virtual HResult Release() = 0;
    // Opens the read side and starts the read thread that sends input reports to `window`.
    virtual HResult StartReading(WindowHandle window) = 0;
    // Stops the read thread and closes the read side; S_OK.
    virtual HResult StopReading() = 0;
    // Message number of input reports (1124 after construction); returns 1.
    virtual HResult SetNotifyMessage(std::uint32_t message) = 0;
    // One-byte output report; always 0.
    virtual HResult SendCommand(std::uint8_t command) = 0;
    // Two-byte output report (a transfer unit or a command with data).
    virtual HResult SendCommandData(std::uint8_t command, std::uint8_t data) = 0;
    virtual HResult EnableMixerControl() = 0;
    virtual HResult DisableMixerControl() = 0;
    virtual HResult QRV_GetMixerRegControl(std::uint8_t reg) = 0;
    virtual HResult QRV_SetMixerRegControl(std::uint8_t reg, std::uint8_t value1,
                                           std::uint8_t value2) = 0;
    // Product ids accepted by Open; a count above 10 is ignored. Always S_OK.
    virtual HResult SetProductList(const std::uint32_t* productIds, int count) = 0;
    // The renderer told about the USB port status after each (re)opening.
    virtual HResult AttachRenderer(CLcdRenderer* renderer) = 0;
    // Shows the text of the calling thread's last system error.
    virtual HResult ShowLastError() = 0;
    virtual HResult SetArfSupport(std::int32_t value) = 0;

    // Runs Release. Last in the table.
    virtual ~CHidDevice() = default;
};
