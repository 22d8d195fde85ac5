#include "CHidDeviceImpl.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "CLcdRenderer.h"
#include "ErrorText.h"
#include "platform/Pause.h"

using ondrel::HidReader;

namespace {

constexpr std::uint16_t kReconnectVendorMask = 0xFFFF;
constexpr std::uint16_t kReconnectProductMask = kHandsetProductMask;
constexpr std::size_t kReportRecord = 8;

std::string FormatBytes(const char* prefix, const std::uint8_t* b, const char* suffix) {
    char line[160];
    std::snprintf(line, sizeof line, "%s%02X %02X %02X %02X %02X %02X %02X %02X%s", prefix, b[0],
                  b[1], b[2], b[3], b[4], b[5], b[6], b[7], suffix);
    return line;
}

void TraceToStdout(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
}

}  // namespace

CHidDeviceImpl::CHidDeviceImpl()
    : CHidDeviceImpl(ondrel::SystemHidBus(), ondrel::SystemUsbTopology()) {}

CHidDeviceImpl::CHidDeviceImpl(std::shared_ptr<ondrel::HidBus> bus,
                               std::shared_ptr<ondrel::UsbTopology> usb, TraceSink trace)
    : m_pScanner(std::make_unique<ondrel::CUsbPortScanner>(std::move(usb))),
      m_pBus(std::move(bus)),
      m_Trace(trace ? std::move(trace) : TraceSink(TraceToStdout)) {}

CHidDeviceImpl::~CHidDeviceImpl() {
    Release();
}

void CHidDeviceImpl::Trace(const std::string& line) const {
    m_Trace(line);
}

bool CHidDeviceImpl::IsOpen() const {
    return Device() != nullptr;
}

std::shared_ptr<const CHidDeviceImpl::OpenDevice> CHidDeviceImpl::Device() const {
    std::lock_guard lock(m_WriteSlot);
    return m_pDevice;
}

std::uint16_t CHidDeviceImpl::VendorId() const {
    auto device = Device();
    return device ? device->vendorId : 0;
}

std::uint16_t CHidDeviceImpl::ProductId() const {
    auto device = Device();
    return device ? device->productId : 0;
}

std::string CHidDeviceImpl::DevicePath() const {
    auto device = Device();
    return device ? device->path : std::string();
}

ondrel::HidCaps CHidDeviceImpl::Caps() const {
    auto device = Device();
    return device ? device->caps : ondrel::HidCaps{};
}

// --- discovery and open -----------------------------------------------------

HResult CHidDeviceImpl::Open(std::uint16_t vendorMask, std::uint16_t productMask) {
    if (!m_pBus) return E_FAIL;
    const std::uint16_t vendor = vendorMask & kVendorId;
    auto productMatches = [&](std::uint16_t product) {
        if (m_nProductIdCount == 0) return (product & productMask) == productMask;
        for (int i = 0; i < m_nProductIdCount; ++i) {
            if ((product & productMask) == (m_ProductIds[i] & productMask)) return true;
        }
        return false;
    };
    for (const std::string& path : m_pBus->DevicePaths()) {
        std::shared_ptr<ondrel::HidWriteHandle> handle = m_pBus->OpenDevice(path);
        if (!handle) continue;
        ondrel::HidAttributes attributes;
        if (!handle->Attributes(&attributes)) continue;
        if (attributes.vendorId != vendor || !productMatches(attributes.productId)) continue;
        auto device = std::make_shared<OpenDevice>();
        handle->Capabilities(&device->caps);
        device->writer = std::move(handle);
        device->vendorId = attributes.vendorId;
        device->productId = attributes.productId;
        device->path = path;
        m_nDeviceState = 0;
        std::lock_guard lock(m_WriteSlot);
        m_pDevice = std::move(device);
        return S_OK;
    }
    return E_FAIL;
}

HResult CHidDeviceImpl::Close() {
    StopReading();
    std::lock_guard lock(m_WriteSlot);
    m_pDevice.reset();
    return S_OK;
}

HResult CHidDeviceImpl::Release() {
    return Close();
}

HResult CHidDeviceImpl::Reconnect() {
    Close();
    HResult result = Open(kReconnectVendorMask, kReconnectProductMask);
    if (m_pRenderer && result == S_OK) {
        m_bBehindUsb2Hub = m_pScanner->ScanForDevice(VendorId(), ProductId());
        m_pRenderer->SetPortStatus(m_bBehindUsb2Hub);
    }
    return result;
}

HResult CHidDeviceImpl::SetProductList(const std::uint32_t* productIds, int count) {
    if (count > kMaxProductIds) return S_OK;
    if (count < 0 || (count > 0 && productIds == nullptr)) return S_OK;  // nothing usable
    std::copy(productIds, productIds + count, m_ProductIds);
    m_nProductIdCount = count;
    return S_OK;
}

HResult CHidDeviceImpl::AttachRenderer(CLcdRenderer* renderer) {
    m_pRenderer = renderer;
    return S_OK;
}

HResult CHidDeviceImpl::SetArfSupport(std::int32_t value) {
    m_bArfSupport = value;
    return S_OK;
}

HResult CHidDeviceImpl::ShowLastError() {
    return ondrel::ShowLastSystemError() ? S_OK : E_FAIL;
}

// --- read thread -------------------------------------------------------------

void CHidDeviceImpl::PackReport(const std::uint8_t* b, std::size_t inputLength,
                                std::uintptr_t* first, std::intptr_t* second) {
    auto word = [](const std::uint8_t* p) {
        return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
               (std::uint32_t{p[2]} << 8) | std::uint32_t{p[3]};
    };
    *first = word(b);
    *second = static_cast<std::intptr_t>(inputLength > 4 ? word(b + 4) : 0xFFFFFFFFu);
}

HResult CHidDeviceImpl::SetNotifyMessage(std::uint32_t message) {
    m_uNotifyMsg = message;
    if (m_pReadContext) m_pReadContext->message = message;
    return 1;
}

HResult CHidDeviceImpl::StartReading(WindowHandle window) {
    if (!IsOpen()) Open(kReconnectVendorMask, kReconnectProductMask);
    // Without an open device the reader's handle stays invalid: the thread
    // then only waits for its stop.
    std::shared_ptr<const OpenDevice> device = Device();
    if (!m_hRead) m_hRead = m_pBus ? m_pBus->OpenReader(device ? device->path : "") : nullptr;
    if (!m_hRead) return E_FAIL;
    if (m_hThread.Exists()) return S_OK;  // the first window stays

    m_hNotifyWnd = window;
    auto context = std::make_shared<ReadContext>();
    context->message = m_uNotifyMsg.load();
    context->reader = m_hRead;
    context->route = ondrel::NotifyRoute::Resolve(window);
    context->inputLength = device ? device->caps.inputReportLength : 0;
    context->trace = m_Trace;
    context->running = 1;
    m_pReadContext = context;
    if (!m_hThread.Start([context] { ReadLoop(context); })) {
        context->running = 0;
        return E_FAIL;
    }
    return S_OK;
}

void CHidDeviceImpl::ReadLoop(const std::shared_ptr<ReadContext>& context) {
    // One buffer for the thread's life: no allocation per report.
    std::vector<std::uint8_t> report(std::max<std::size_t>(context->inputLength, kReportRecord));
    while (context->running) {
        std::fill(report.begin(), report.end(), 0);
        switch (context->reader->ReadOrStop(report.data(), context->inputLength)) {
            case HidReader::Outcome::Stopped:
            case HidReader::Outcome::Failed:
                context->running = 0;
                break;
            case HidReader::Outcome::Report: {
                context->trace(FormatBytes("MCU->PC: ", report.data(), ".......\n"));
                std::uintptr_t first = 0;
                std::intptr_t second = 0;
                PackReport(report.data(), context->inputLength, &first, &second);
                if (context->route.IsSet()) context->route.Deliver(context->message, first, second);
                break;
            }
        }
    }
}

HResult CHidDeviceImpl::StopReading() {
    if (m_pReadContext) m_pReadContext->running = 0;
    if (m_hRead) m_hRead->RequestStop();
    if (m_hThread.Exists()) {
        ondrel::NotifyRoute route = m_pReadContext ? m_pReadContext->route : ondrel::NotifyRoute();
        m_hThread.Stop(route, kStopGrace);
    }
    m_pReadContext.reset();
    m_hRead.reset();
    return S_OK;
}

// --- output reports -----------------------------------------------------------

bool CHidDeviceImpl::WriteReport(const std::uint8_t* bytes8, bool retry) {
    std::shared_ptr<const OpenDevice> device = Device();
    if (!device) return false;
    ondrel::HidWriteHandle* writer = device->writer.get();
    // Zero-filled beyond the eight bytes when the device's report is longer.
    std::array<std::uint8_t, 64> small{};
    std::vector<std::uint8_t> large;
    std::size_t length = device->caps.outputReportLength;
    std::uint8_t* buffer = small.data();
    if (length > small.size()) {
        large.assign(length, 0);
        buffer = large.data();
    }
    std::copy(bytes8, bytes8 + std::min(length, kReportRecord), buffer);
    if (writer->Write(buffer, length)) return true;
    if (!retry) return false;
    kestrava::Pause(kWriteRetryPause);
    return writer->Write(buffer, length);
}

HResult CHidDeviceImpl::SendCommand(std::uint8_t command) {
    if (!IsOpen()) return 0;
    std::uint8_t b[kReportRecord] = {0, 0, 0, command, 0, 0, 0, 0};
    Trace(FormatBytes("MCU<-PC: ", b, " ...\n"));
    WriteReport(b, true);
    return 0;
}

HResult CHidDeviceImpl::SendCommandData(std::uint8_t command, std::uint8_t data) {
    if (!IsOpen()) return E_FAIL;
    std::uint8_t b[kReportRecord] = {0, 0, 0, command, data, 0, 0, 0};
    Trace(FormatBytes("MCU<-PC: ", b, " ...\n"));
    WriteReport(b, true);
    return S_OK;
}

HResult CHidDeviceImpl::QRV_SetMixerRegControl(std::uint8_t reg, std::uint8_t value1,
                                               std::uint8_t value2) {
    if (!IsOpen()) return E_FAIL;
    std::uint8_t b[kReportRecord] = {0, 0, 0, 0, 0x60, reg, value1, value2};
    Trace(FormatBytes("MCU<-PC: QRV_SetMixerRegControl-> ", b, " ...\n"));
    WriteReport(b, false);
    return S_OK;
}

HResult CHidDeviceImpl::QRV_GetMixerRegControl(std::uint8_t reg) {
    if (!IsOpen()) return E_FAIL;
    std::uint8_t b[kReportRecord] = {0, 0, 0, 0, 0x70, reg, 0, 0};
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "MCU<-PC: QRV_GetMixerRegControl(%2X)-> ", reg);
    Trace(FormatBytes(prefix, b, " ...\n"));
    WriteReport(b, false);
    return S_OK;
}

HResult CHidDeviceImpl::EnableMixerControl() {
    if (!IsOpen()) return E_FAIL;
    std::uint8_t b[kReportRecord] = {0, 0, 0, 0, 0x60, 0x1A, 0x55, 0x55};
    Trace(FormatBytes("MCU<-PC: EnableMixerControl-> ", b, " ...\n"));
    WriteReport(b, false);
    return S_OK;
}

HResult CHidDeviceImpl::DisableMixerControl() {
    if (!IsOpen()) return E_FAIL;
    std::uint8_t b[kReportRecord] = {0, 0, 0, 0, 0x60, 0x1A, 0x00, 0x00};
    Trace(FormatBytes("MCU<-PC: DisableMixerControl-> ", b, " ...\n"));
    WriteReport(b, false);
    return S_OK;
}
