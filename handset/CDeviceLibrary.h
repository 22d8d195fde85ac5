// The program's handset object: it loads the HID library, owns its component,
// forwards the shell's device operations to it, and holds the handset state
// that the engine and the handset threads share (single atomic words).
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>

#include "CHidDevice.h"
#include "platform/ModuleLoader.h"
#include "platform/Shell.h"
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

    bool Reconnect();
    bool StartInput(kestrava::WindowHandle window);
    bool StopReading();
    bool Release();
    bool SendCommand(std::uint8_t command);
    bool SendCommandData(std::uint8_t command, std::uint8_t data);
    bool ApplyAgc();
    void AttachRenderer(CLcdRenderer* renderer);
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

    kestrava::ModuleLoader& m_modules;
    kestrava::Shell& m_shell;
    kestrava::ModuleLoader::Module m_hModule = nullptr;
    CHidDevice* m_pDevice = nullptr;
    std::atomic<CLcdRenderer*> m_pRenderer{nullptr};
    std::atomic<std::int32_t> m_bInputRunning{0};

    std::mutex m_Lock;  // guards m_InputQueue
    std::deque<std::uint32_t> m_InputQueue;
};
