// Shell services of the POSIX build: message boxes become lines on stderr.
#pragma once

#include "platform/Shell.h"

namespace kestrava {

class PosixShell final : public Shell {
  public:
    void ShowMessageBox(const std::string& text, const std::string& caption,
                        MessageBoxIcon icon) override;
    // Nothing outside watches for named mutexes here; the pause is kept.
    void PulseNamedMutex(const std::string& name, std::chrono::milliseconds duration) override;
    // The program plays no sounds here; nothing to stop.
    void PurgeSounds() override {}
    // Spawns the program without arguments; a path that is not a program
    // here (a Windows path) starts nothing.
    void OpenProgramFile(const std::string& path, WindowHandle owner) override;
};

}  // namespace kestrava
