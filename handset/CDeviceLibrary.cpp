#include "handset/CDeviceLibrary.h"

#include <system_error>

#include "CLcdRenderer.h"
#include "ComponentFactory.h"
#include "handset/TransferControl.h"
#include "platform/Pause.h"

using namespace kestrava;

namespace {
constexpr LParam kNoSecondWord = 0xFFFFFFFF;
}

CDeviceLibrary::CDeviceLibrary(ModuleLoader& modules, Shell& shell)
    : m_modules(modules), m_shell(shell) {
    Load();
}

CDeviceLibrary::~CDeviceLibrary() {
    StopWorkers();
    m_bInputRunning = 0;
    m_bTransferActive = 0;
    m_bAbortPending = 1;
    Pause(std::chrono::milliseconds(100));
    {
        std::lock_guard lock(m_Lock);
        m_InputQueue.clear();
    }
    if (m_pDevice) {
        m_pDevice->Release();
        // The module is let go, so the component (whose code lives there) is
        // deleted first rather than left behind with nothing to run it.
        auto remove = reinterpret_cast<DeleteComponentInstanceFn>(
            m_modules.Symbol(m_hModule, kDeleteComponentInstanceName));
        void* object = m_pDevice;
        if (remove) remove(&object);
        m_pDevice = nullptr;
        m_modules.Free(m_hModule);
        m_hModule = nullptr;
    }
}

HResult CDeviceLibrary::Load() {
    if (m_hModule) return S_OK;
    m_hModule = m_modules.Load(kLibraryName);
    if (!m_hModule) {
        m_shell.ShowMessageBox("Failed to load module - Ondrel.dll", "CreateInstance",
                               MessageBoxIcon::Error);
        return E_FAIL;
    }
    auto create = reinterpret_cast<CreateComponentInstanceFn>(
        m_modules.Symbol(m_hModule, kCreateComponentInstanceName));
    if (!create) {
        m_shell.ShowMessageBox("Failed to Get API - CreateComponentInstance", "CreateDLLInstance",
                               MessageBoxIcon::Error);
        Unload();
        return E_FAIL;
    }
    void* object = nullptr;
    if (create(&object) == 0 || object == nullptr) {
        m_shell.ShowMessageBox("Failed to create instance in module - Ondrel.dll",
                               "CreateDLLInstance", MessageBoxIcon::Error);
        Unload();
        return E_FAIL;
    }
    m_pDevice = static_cast<CHidDevice*>(object);
    return S_OK;
}

void CDeviceLibrary::Unload() {
    m_modules.Free(m_hModule);
    m_hModule = nullptr;
}

bool CDeviceLibrary::Reconnect() {
    return m_pDevice && m_pDevice->Reconnect() == S_OK;
}

bool CDeviceLibrary::StartInput(WindowHandle window) {
    if (!m_pDevice) return false;
    {
        std::lock_guard threads(m_threadLock);
        if (m_bStopped) return false;
        // One worker for the program's life; a later start (device arrival,
        // resume) only opens the read side again.
        if (!m_hInputThread.joinable()) {
            m_bInputRunning = 1;
            try {
                m_hInputThread = std::thread(&CDeviceLibrary::InputWorker, this);
            } catch (const std::system_error&) {
                m_bInputRunning = 0;
                return false;
            }
            ++m_nInputStarts;
        }
    }
    if (m_pDevice->StartReading(ReportTargetFor(window)) != S_OK) return false;
    // Reports the handset sent while the read side was closed (a reopen on
    // any device change, an arrival) were lost with their numbers: the next
    // normal report is taken whatever its number, or up to three keys after
    // it would be dropped as out of step.
    m_bResync = 1;
    return true;
}

void CDeviceLibrary::SetReportHandler(InputReportHandler* handler) {
    {
        std::lock_guard lock(m_Lock);
        m_pReportHandler = handler;
    }
    m_InputQueued.notify_all();  // reports may be waiting for it
}

void CDeviceLibrary::SetUploadRunner(UploadRunner* runner) {
    m_pUploadRunner = runner;
}

void CDeviceLibrary::InputWorker() {
    for (;;) {
        std::uint32_t report;
        InputReportHandler* handler;
        {
            std::unique_lock lock(m_Lock);
            m_InputQueued.wait(lock, [this] {
                return !m_bInputRunning ||
                       (!m_InputQueue.empty() && m_pReportHandler.load() != nullptr);
            });
            if (!m_bInputRunning) break;
            // Taken off before it is handled, so that a flush meanwhile drops
            // exactly the reports not yet handled.
            report = m_InputQueue.front();
            m_InputQueue.pop_front();
            handler = m_pReportHandler.load();
        }
        // The handler ends a resync itself, and only with a report it takes.
        handler->HandleReport(report);
    }
    Pause(std::chrono::milliseconds(10));
}

bool CDeviceLibrary::StartUpload() {
    std::lock_guard threads(m_threadLock);
    if (m_bStopped) return false;
    if (m_hUploadThread.joinable()) {
        if (m_bUploadRunning.load(std::memory_order_acquire) &&
            m_bTransferActive.load(std::memory_order_acquire)) {
            return true;  // one runs; it takes the request along
        }
        // The last worker has let go of the transfer and only returns now
        // (it never waits for anybody): a request made in that moment starts
        // the next one instead of being lost.
        m_hUploadThread.join();
    }
    UploadRunner* runner = m_pUploadRunner.load();
    if (runner == nullptr) {
        m_bTransferActive = 0;
        return false;
    }
    m_bTransferActive.store(1, std::memory_order_release);
    m_bAbortPending.store(0, std::memory_order_release);
    m_bUploadRunning.store(1, std::memory_order_release);
    try {
        m_hUploadThread = std::thread(&CDeviceLibrary::UploadThread, this, runner);
    } catch (const std::system_error&) {
        m_bUploadRunning = 0;
        m_bTransferActive = 0;
        return false;
    }
    return true;
}

void CDeviceLibrary::UploadThread(UploadRunner* runner) {
    runner->RunUpload();
    m_bUploadRunning.store(0, std::memory_order_release);  // the handle is forgotten
}

bool CDeviceLibrary::UploadThreadExists() {
    std::lock_guard threads(m_threadLock);
    return m_hUploadThread.joinable() && m_bUploadRunning.load(std::memory_order_acquire);
}

void CDeviceLibrary::StopWorkers() {
    std::thread input, upload;
    {
        std::lock_guard threads(m_threadLock);
        m_bStopped = true;  // from here on neither thread starts
        input = std::move(m_hInputThread);
    }
    {
        std::lock_guard lock(m_Lock);
        m_bInputRunning = 0;
    }
    m_InputQueued.notify_all();
    if (m_bTransferActive.load(std::memory_order_acquire)) {
        // A running transfer ends after the unit in progress. The renderer is
        // told first, as StopHandsetTransfer does, so the worker's own reset
        // of it at its end comes last.
        if (CLcdRenderer* renderer = m_pRenderer.load()) renderer->SetAbort(1);
        m_bAbortPending.store(1, std::memory_order_release);
    }
    // The input worker may be starting an upload: join it before taking the
    // upload thread, and without m_threadLock, which StartUpload takes.
    if (input.joinable()) input.join();
    // The stop is asserted again while the worker runs (a renderer's stream
    // that started after the request has cleared it), bounded; then joined.
    kestrava::AwaitHandsetTransferStop(*this);
    {
        std::lock_guard threads(m_threadLock);
        upload = std::move(m_hUploadThread);
    }
    if (upload.joinable()) upload.join();
}

CHidDevice::WindowHandle CDeviceLibrary::ReportTargetFor(WindowHandle window) {
#if defined(_WIN32)
    return window;
#else
    if (!m_windows) return window;
    m_reportWindow = window;
    m_notifyTarget = {kHidNotifyTargetMagic, 1, this, &CDeviceLibrary::DeliverReport,
                      &CDeviceLibrary::PumpSentMessages};
    return reinterpret_cast<CHidDevice::WindowHandle>(&m_notifyTarget);
#endif
}

int CDeviceLibrary::DeliverReport(void* context, std::uint32_t message, std::uintptr_t wParam,
                                  std::intptr_t lParam) {
    auto* self = static_cast<CDeviceLibrary*>(context);
    // Synchronous, as a sent window message: the read thread waits until the
    // main window has queued the report.
    auto result = self->m_windows->Send(self->m_reportWindow.load(), message, wParam, lParam,
                                        std::chrono::seconds(5));
    return result.has_value() ? 1 : 0;
}

void CDeviceLibrary::PumpSentMessages(void* context, std::uint32_t maxWaitMs) {
    auto* self = static_cast<CDeviceLibrary*>(context);
    self->m_windows->PumpSentMessages(std::chrono::milliseconds(maxWaitMs));
}

bool CDeviceLibrary::StopReading() {
    return m_pDevice && m_pDevice->StopReading() == S_OK;
}

bool CDeviceLibrary::Release() {
    return m_pDevice && m_pDevice->Release() == S_OK;
}

bool CDeviceLibrary::SendCommand(std::uint8_t command) {
    if (m_pDevice) m_pDevice->SendCommand(command);
    return true;
}

bool CDeviceLibrary::SendCommandData(std::uint8_t command, std::uint8_t data) {
    return m_pDevice && m_pDevice->SendCommandData(command, data) == S_OK;
}

bool CDeviceLibrary::ApplyAgc() {
    if (!m_pDevice) return false;
    std::uint8_t second = m_bSupportAGC ? 0x48 : 0x08;
    return m_pDevice->QRV_SetMixerRegControl(0x0E, 0x80, second) == S_OK;
}

void CDeviceLibrary::AttachRenderer(CLcdRenderer* renderer) {
    if (m_pDevice) m_pDevice->AttachRenderer(renderer);
    m_pRenderer = renderer;
}

void CDeviceLibrary::ApplyArfSupport() {
    if (m_pDevice) m_pDevice->SetArfSupport(m_bSupportARF);
}

void CDeviceLibrary::QueueReport(WParam first, LParam second) {
    if (static_cast<std::uint32_t>(second) == kNoSecondWord) return;  // a short report
    {
        std::lock_guard lock(m_Lock);
        m_InputQueue.push_back(static_cast<std::uint32_t>(first));
    }
    m_InputQueued.notify_one();
}

void CDeviceLibrary::FlushInput() {
    Pause(std::chrono::milliseconds(10));
    std::lock_guard lock(m_Lock);
    m_InputQueue.clear();
}

std::size_t CDeviceLibrary::QueuedReports() {
    std::lock_guard lock(m_Lock);
    return m_InputQueue.size();
}
