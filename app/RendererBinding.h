// Binding of the rendering library (Glyvar): loads it, creates the renderer,
// wires it to the handset component and the engine, and lets it go at exit.
#pragma once

#include "CLcdRenderer.h"
#include "platform/ModuleLoader.h"
#include "platform/Shell.h"

class CDeviceLibrary;
class CSkypeEngine;

namespace kestrava {

class RendererBinding {
  public:
    static constexpr const char* kLibraryName = "Glyvar.dll";

    RendererBinding(ModuleLoader& modules, Shell& shell);

    // Loads, creates and wires the renderer; false (after a message box) on failure.
    bool Bind(CDeviceLibrary& device, CSkypeEngine& engine, int supportArf);
    // Deletes the renderer through the library's factory; the module stays loaded.
    bool DeleteRenderer();
    // Frees the module.
    void UnloadModule();

    CLcdRenderer* Renderer() const { return m_pRenderer; }

  private:
    void Fail(const char* text, const char* caption);

    ModuleLoader& m_modules;
    Shell& m_shell;
    ModuleLoader::Module m_hModule = nullptr;
    CLcdRenderer* m_pRenderer = nullptr;
};

}  // namespace kestrava
