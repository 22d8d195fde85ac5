// Module loader and shell services of the Windows build.
#pragma once

#include "platform/ModuleLoader.h"
#include "platform/Shell.h"

namespace kestrava {

class Win32ModuleLoader final : public ModuleLoader {
  public:
    Module Load(const std::string& name) override;
    void* Symbol(Module module, const char* name) override;
    void Free(Module module) override;
    std::string ExecutablePath() override;
};

class Win32Shell final : public Shell {
  public:
    void ShowMessageBox(const std::string& text, const std::string& caption,
                        MessageBoxIcon icon) override;
    void PulseNamedMutex(const std::string& name, std::chrono::milliseconds duration) override;
    void PurgeSounds() override;
    void OpenProgramFile(const std::string& path, WindowHandle owner) override;
};

}  // namespace kestrava
