// Ondrel's handset component: finds the handset on the HID bus, writes its
// output reports and runs the read thread that hands input reports to the
// program's window.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "CHidDevice.h"
#include "HandsetIdentity.h"
#include "HidBus.h"
#include "ReadThread.h"
#include "UsbPortScanner.h"

class CHidDeviceImpl final : public CHidDevice {
  public:
    // Receives each trace line; the default writes it to the standard output.
    using TraceSink = std::function<void(const std::string& line)>;

    static constexpr std::uint16_t kVendorId = kHandsetVendorId;
    static constexpr std::uint32_t kDefaultNotifyMessage = 1124;  // WM_USER + 100
    static constexpr int kMaxProductIds = 10;
    static constexpr auto kStopGrace = std::chrono::milliseconds(500);
    static constexpr auto kWriteRetryPause = std::chrono::milliseconds(17);

    // The machine's own HID bus and USB tree.
    CHidDeviceImpl();
    CHidDeviceImpl(std::shared_ptr<ondrel::HidBus> bus, std::shared_ptr<ondrel::UsbTopology> usb,
                   TraceSink trace = {});

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

    // What tests look at; the program never does.
    bool IsOpen() const;
    int DeviceState() const { return m_nDeviceState; }
    // The open device's identity; zeros and empty while none is open.
    std::uint16_t VendorId() const;
    std::uint16_t ProductId() const;
    std::string DevicePath() const;
    ondrel::HidCaps Caps() const;
    int BehindUsb2Hub() const { return m_bBehindUsb2Hub; }
    bool ReadThreadExists() const { return m_hThread.Exists(); }
    WindowHandle NotifyWindow() const { return m_hNotifyWnd; }

    // The two message parameters for one input report (bytes 0..7 of `report`).
    static void PackReport(const std::uint8_t* report, std::size_t inputLength,
                           std::uintptr_t* first, std::intptr_t* second);

  private:
    // What the read thread shares with the component. Held by reference count
    // so that a thread that had to be left behind never touches freed memory.
    struct ReadContext {
        std::atomic<std::int32_t> running{0};  // m_bRunning
        std::atomic<std::uint32_t> message{kDefaultNotifyMessage};
        std::shared_ptr<ondrel::HidReader> reader;
        ondrel::NotifyRoute route;
        std::size_t inputLength = 0;
        TraceSink trace;
    };
    static void ReadLoop(const std::shared_ptr<ReadContext>& context);

    // One open device: its write handle with the identity and report lengths
    // that belong to it. Never changed once published, so a write that holds
    // it sees one device's whole state, whatever a Reconnect does meanwhile.
    struct OpenDevice {
        std::shared_ptr<ondrel::HidWriteHandle> writer;
        ondrel::HidCaps caps;
        std::uint16_t vendorId = 0;
        std::uint16_t productId = 0;
        std::string path;
    };
    std::shared_ptr<const OpenDevice> Device() const;
    bool WriteReport(const std::uint8_t* bytes8, bool retry);
    void Trace(const std::string& line) const;

    std::shared_ptr<ReadContext> m_pReadContext;  // its `running` is m_bRunning
    std::int32_t m_bArfSupport = 0;
    std::int32_t m_bBehindUsb2Hub = 0;
    std::atomic<std::int32_t> m_nDeviceState{-1};
    ondrel::ReadThread m_hThread;
    // The reader owns the overlapped read handle and its read and stop events.
    std::shared_ptr<ondrel::HidReader> m_hRead;
    // Output reports come from several program threads without a lock; the
    // mutex only guards the record pointer, never a write, so that a close or
    // reconnect on one thread cannot pull the device from under a write.
    mutable std::mutex m_WriteSlot;
    std::shared_ptr<const OpenDevice> m_pDevice;
    std::uint32_t m_ProductIds[kMaxProductIds] = {};
    std::int32_t m_nProductIdCount = 0;
    WindowHandle m_hNotifyWnd = 0;
    std::atomic<std::uint32_t> m_uNotifyMsg{kDefaultNotifyMessage};
    CLcdRenderer* m_pRenderer = nullptr;
    std::unique_ptr<ondrel::CUsbPortScanner> m_pScanner;

    std::shared_ptr<ondrel::HidBus> m_pBus;
    TraceSink m_Trace;
};
