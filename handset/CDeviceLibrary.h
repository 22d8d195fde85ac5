// The program's handset object: it loads the HID library, owns its component,
// forwards the shell's device operations to it, and holds the handset state
// that the engine and the handset threads share (single atomic words).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

#include "CHidDevice.h"
#include "HidNotifyTarget.h"
#include "platform/ModuleLoader.h"
#include "platform/Shell.h"
#include "platform/WindowSystem.h"
#include "platform/WindowTypes.h"

class CLcdRenderer;

// What the input worker does with each queued report (the report decoding).
class InputReportHandler {
  public:
    virtual ~InputReportHandler() = default;
    // Called on the input worker's thread, one report at a time, in order.
    virtual void HandleReport(std::uint32_t report) = 0;
};

// One run of the upload worker: sends what m_nDisplayContent asks for and
// ends the transfer (clears m_bTransferActive and m_bAbortPending).
class UploadRunner {
  public:
    virtual ~UploadRunner() = default;
    virtual void RunUpload() = 0;
};

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

    // The report decoding and the upload run. Either may be set (or replaced)
    // at any time, also while the threads run: the input worker reads the
    // handler once per report, StartUpload reads the runner once per run.
    // Until a handler is set, reports wait in the queue. An object given here
    // must outlive StopWorkers (or be replaced by null first).
    void SetReportHandler(InputReportHandler* handler);
    void SetUploadRunner(UploadRunner* runner);

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
    // Starts the upload worker unless one runs; true also when one runs.
    // False after StopWorkers, without a runner, or when no thread can start.
    bool StartUpload();
    // Queues the report word (the first parameter); a short report's second
    // parameter is 0xFFFFFFFF and it is dropped.
    void QueueReport(kestrava::WParam first, kestrava::LParam second);
    // Discards every report not yet handled.
    void FlushInput();
    // Reports waiting; the one being handled is no longer counted.
    std::size_t QueuedReports();

    // Ends the handset threads for good: stops the input worker and any
    // transfer, and joins both threads. After it neither thread starts again,
    // so the shell may destroy what they read (the store, the contact list,
    // the handler and the runner). Idempotent; the destructor calls it too.
    void StopWorkers();

    // For the shell's diagnostics and the tests.
    int InputWorkerStarts() const { return m_nInputStarts.load(); }
    bool InputRunning() const { return m_bInputRunning.load() != 0; }
    bool UploadThreadExists();

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
    void InputWorker();
    void UploadThread(UploadRunner* runner);
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
    std::atomic<InputReportHandler*> m_pReportHandler{nullptr};
    std::atomic<UploadRunner*> m_pUploadRunner{nullptr};
    kestrava::WindowSystem* m_windows = nullptr;
    std::atomic<kestrava::WindowHandle> m_reportWindow{0};
    HidNotifyTarget m_notifyTarget{};

    std::mutex m_Lock;  // guards m_InputQueue
    std::condition_variable m_InputQueued;
    std::deque<std::uint32_t> m_InputQueue;

    // Guards the two thread objects and m_bStopped. Never held while a
    // thread that may take it is joined.
    std::mutex m_threadLock;
    std::thread m_hInputThread;
    std::thread m_hUploadThread;
    bool m_bStopped = false;
    std::atomic<std::int32_t> m_bUploadRunning{0};  // the upload thread has not returned
    std::atomic<int> m_nInputStarts{0};
};
