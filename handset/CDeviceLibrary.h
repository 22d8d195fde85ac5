// The program's handset object: it loads the HID library, owns its component,
// forwards the shell's device operations to it, and holds the handset state
// that the engine and the handset threads share (single atomic words).
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>

#include "CHidDevice.h"
#include "HidNotifyTarget.h"
#include "platform/ModuleLoader.h"
#include "platform/Shell.h"
#include "platform/WindowSystem.h"
#include "platform/WindowTypes.h"

class CLcdRenderer;

class CDeviceLibrary {
  public:
    static constexpr const char* kLibraryName = "Ondrel.dll";

    // Loads the library at once; a failure leaves Device() null after its message box.
    CDeviceLibrary(kestrava::ModuleLoader& modules, kestrava::Shell& shell);
    CDeviceLibrary(const CDeviceLibrary&) = delete;
    CDeviceLibrary& operator=(const CDeviceLibrary&) = delete;
    virtual ~CDeviceLibrary();

    HResult Load();
    CHidDevice* Device() const { return m_pDevice; }

    // The window system the input reports reach the main window through. On
    // Windows the HID library sends to the window itself; elsewhere the
    // program's windows are out of the library's reach, and it delivers through
    // a HidNotifyTarget that forwards to this window system.
    void SetWindowSystem(kestrava::WindowSystem* windows) { m_windows = windows; }

    bool Reconnect();
    bool StartInput(kestrava::WindowHandle window);
    bool StopReading();
    bool Release();
    bool SendCommand(std::uint8_t command);
    bool SendCommandData(std::uint8_t command, std::uint8_t data);
    bool ApplyAgc();
    void AttachRenderer(CLcdRenderer* renderer);
    // The renderer given to AttachRenderer (m_pRenderer); null before.
    CLcdRenderer* Renderer() const { return m_pRenderer.load(); }
    void ApplyArfSupport();
    void QueueReport(kestrava::WParam first, kestrava::LParam second);
    void FlushInput();
    std::size_t QueuedReports();

    // Handset state shared without a lock.
    std::atomic<std::int32_t> m_bLinkReady{1};
    std::atomic<std::int32_t> m_bMuted{0};
    std::atomic<std::int32_t> m_nProtocol{0};
    std::atomic<std::int32_t> m_bFontsSupported{0};
    std::atomic<std::int32_t> m_bSupportHideWindows{0};
    std::atomic<std::int32_t> m_nReg04Value{0};
    std::atomic<std::int32_t> m_nReg1CValue{0};
    std::atomic<std::int32_t> m_bHandsetDisplay{0};
    std::atomic<std::int32_t> m_bSupportAGC{0};
    std::atomic<std::int32_t> m_bSupportFocusAddressBook{0};
    std::atomic<std::int32_t> m_bSupportARF{0};
    std::atomic<std::int32_t> m_nDisplayContent{0};
    std::atomic<std::int32_t> m_bResync{1};
    std::atomic<std::int32_t> m_bAbortPending{0};
    std::atomic<std::int32_t> m_bTransferActive{0};
    std::atomic<std::int32_t> handsetPresent{0};  // the shell owns its meaning

  private:
    void Unload();
    CHidDevice::WindowHandle ReportTargetFor(kestrava::WindowHandle window);
    static int DeliverReport(void* context, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam);
    static void PumpSentMessages(void* context, std::uint32_t maxWaitMs);

    kestrava::ModuleLoader& m_modules;
    kestrava::Shell& m_shell;
    kestrava::ModuleLoader::Module m_hModule = nullptr;
    CHidDevice* m_pDevice = nullptr;
    std::atomic<CLcdRenderer*> m_pRenderer{nullptr};
    std::atomic<std::int32_t> m_bInputRunning{0};
    kestrava::WindowSystem* m_windows = nullptr;
    std::atomic<kestrava::WindowHandle> m_reportWindow{0};
    HidNotifyTarget m_notifyTarget{};

    std::mutex m_Lock;  // guards m_InputQueue
    std::deque<std::uint32_t> m_InputQueue;
};
