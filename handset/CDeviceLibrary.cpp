#include "handset/CDeviceLibrary.h"

#include "ComponentFactory.h"
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
    // The input worker that decodes the queued reports joins here with the
    // report decoding; until then reports wait in the queue.
    m_bInputRunning = 1;
    return m_pDevice->StartReading(ReportTargetFor(window)) == S_OK;
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
    std::lock_guard lock(m_Lock);
    m_InputQueue.push_back(static_cast<std::uint32_t>(first));
    m_InputQueue.push_back(static_cast<std::uint32_t>(second));
}

void CDeviceLibrary::FlushInput() {
    Pause(std::chrono::milliseconds(10));
    std::lock_guard lock(m_Lock);
    m_InputQueue.clear();
}

std::size_t CDeviceLibrary::QueuedReports() {
    std::lock_guard lock(m_Lock);
    return m_InputQueue.size() / 2;
}
