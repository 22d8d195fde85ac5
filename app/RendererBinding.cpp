#include "app/RendererBinding.h"

#include "ComponentFactory.h"
#include "handset/CDeviceLibrary.h"
#include "protocol/CSkypeEngine.h"

namespace kestrava {

RendererBinding::RendererBinding(ModuleLoader& modules, Shell& shell)
    : m_modules(modules), m_shell(shell) {}

void RendererBinding::Fail(const char* text, const char* caption) {
    m_shell.ShowMessageBox(text, caption, MessageBoxIcon::Error);
    UnloadModule();
}

bool RendererBinding::Bind(CDeviceLibrary& device, CSkypeEngine& engine, int supportArf) {
    if (!m_hModule) {
        m_hModule = m_modules.Load(kLibraryName);
        if (!m_hModule) {
            m_shell.ShowMessageBox("Failed to load module - Glyvar.dll", "CreateInstance",
                                   MessageBoxIcon::Error);
            return false;
        }
    }
    auto create = reinterpret_cast<CreateComponentInstanceFn>(
        m_modules.Symbol(m_hModule, kCreateComponentInstanceName));
    if (!create) {
        Fail("Failed to Get API - CreateComponentInstance", "CreateInstance");
        return false;
    }
    void* object = nullptr;
    if (create(&object) == 0 || object == nullptr) {
        Fail("Failed to create instance in module - Glyvar.dll", "CreateInstance");
        return false;
    }
    m_pRenderer = static_cast<CLcdRenderer*>(object);
    m_pRenderer->SetDevice(device.Device());
    device.AttachRenderer(m_pRenderer);
    engine.SetRenderer(m_pRenderer);
    m_pRenderer->SetArfSupport(supportArf);
    device.ApplyArfSupport();
    return true;
}

bool RendererBinding::DeleteRenderer() {
    if (!m_hModule) return false;
    auto remove = reinterpret_cast<DeleteComponentInstanceFn>(
        m_modules.Symbol(m_hModule, kDeleteComponentInstanceName));
    if (!remove) {
        Fail("Failed to Get API - DeleteComponentInstance", "DeleteInstance");
        return false;
    }
    void* object = m_pRenderer;
    if (remove(&object) == 0) {
        Fail("Failed to delete instance in module - Glyvar.DLL", "DeleteInstance");
        return false;
    }
    m_pRenderer = nullptr;
    return true;
}

void RendererBinding::UnloadModule() {
    if (m_hModule) m_modules.Free(m_hModule);
    m_hModule = nullptr;
}

}  // namespace kestrava
