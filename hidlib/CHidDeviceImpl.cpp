#include "CHidDeviceImpl.h"

HResult CHidDeviceImpl::Open(std::uint16_t, std::uint16_t) { return E_FAIL; }
HResult CHidDeviceImpl::Close() { return S_OK; }
HResult CHidDeviceImpl::Reconnect() { return E_FAIL; }
HResult CHidDeviceImpl::Release() { return S_OK; }
HResult CHidDeviceImpl::StartReading(WindowHandle) { return E_FAIL; }
HResult CHidDeviceImpl::StopReading() { return S_OK; }
HResult CHidDeviceImpl::SetNotifyMessage(std::uint32_t) { return 1; }
HResult CHidDeviceImpl::SendCommand(std::uint8_t) { return 0; }
HResult CHidDeviceImpl::SendCommandData(std::uint8_t, std::uint8_t) { return E_FAIL; }
HResult CHidDeviceImpl::EnableMixerControl() { return E_FAIL; }
HResult CHidDeviceImpl::DisableMixerControl() { return E_FAIL; }
HResult CHidDeviceImpl::QRV_GetMixerRegControl(std::uint8_t) { return E_FAIL; }
HResult CHidDeviceImpl::QRV_SetMixerRegControl(std::uint8_t, std::uint8_t, std::uint8_t) {
    return E_FAIL;
}
HResult CHidDeviceImpl::SetProductList(const std::uint32_t*, int) { return S_OK; }
HResult CHidDeviceImpl::AttachRenderer(CLcdRenderer*) { return S_OK; }
HResult CHidDeviceImpl::ShowLastError() { return E_FAIL; }
HResult CHidDeviceImpl::SetArfSupport(std::int32_t) { return S_OK; }
CHidDeviceImpl::~CHidDeviceImpl() { Release(); }
