#include "PosixShell.h"

#include <cstdio>

#include "platform/Pause.h"

namespace kestrava {

void PosixShell::ShowMessageBox(const std::string& text, const std::string& caption,
                                MessageBoxIcon icon) {
    std::fprintf(stderr, "[%s%s] %s\n", icon == MessageBoxIcon::Error ? "error: " : "",
                 caption.c_str(), text.c_str());
}

void PosixShell::PulseNamedMutex(const std::string&, std::chrono::milliseconds duration) {
    Pause(duration);
}

}  // namespace kestrava
