// Ondrel's handset component. Its operations are placeholders until the HID
// adapters land: the device is never found and nothing is written.
#pragma once

#include "CHidDevice.h"

class CHidDeviceImpl final : public CHidDevice {
public:
    HResult Open(std::uint16_t vendorMask, std::uint16_t productMask) override;
    HResult Close() override;
    HResult Reconnect() override;
    HResult Release() override;
    HResult StartReading(WindowHandle window) override;
    HResult StopReading() override;
    HResult SetNotifyMessage(std::uint32_t message) override;
    HResult SendCommand(std::uint8_t command) override;
    HResult SendCommandData(std::uint8_t command, std::uint8_t data) override;
    HResult EnableMixerControl() override;
    HResult DisableMixerControl() override;
    HResult QRV_GetMixerRegControl(std::uint8_t reg) override;
    HResult QRV_SetMixerRegControl(std::uint8_t reg, std::uint8_t value1,
                                   std::uint8_t value2) override;
    HResult SetProductList(const std::uint32_t* productIds, int count) override;
    HResult AttachRenderer(CLcdRenderer* renderer) override;
    HResult ShowLastError() override;
    HResult SetArfSupport(std::int32_t value) override;
    ~CHidDeviceImpl() override;
};
