// A handset component for the fuzz targets.
#pragma once

#include "CHidDevice.h"
#include "ResultCodes.h"

namespace kestrava::fuzz {

// A handset that takes every output report and keeps none.
class QuietHandset final : public CHidDevice {
  public:
    HResult SendCommand(std::uint8_t) override { return S_OK; }
    HResult SendCommandData(std::uint8_t, std::uint8_t) override { return S_OK; }
    HResult QRV_SetMixerRegControl(std::uint8_t, std::uint8_t, std::uint8_t) override {
        return S_OK;
    }
    HResult StartReading(WindowHandle) override { return S_OK; }
    HResult Open(std::uint16_t, std::uint16_t) override { return S_OK; }
    HResult Close() override { return S_OK; }
    HResult Reconnect() override { return S_OK; }
    HResult Release() override { return S_OK; }
    HResult StopReading() override { return S_OK; }
    HResult SetNotifyMessage(std::uint32_t) override { return 1; }
    HResult EnableMixerControl() override { return S_OK; }
    HResult DisableMixerControl() override { return S_OK; }
    HResult QRV_GetMixerRegControl(std::uint8_t) override { return S_OK; }
    HResult SetProductList(const std::uint32_t*, int) override { return S_OK; }
    HResult AttachRenderer(CLcdRenderer*) override { return S_OK; }
    HResult ShowLastError() override { return S_OK; }
    HResult SetArfSupport(std::int32_t) override { return S_OK; }
};

}  // namespace kestrava::fuzz
