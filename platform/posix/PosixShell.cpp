#include "PosixShell.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <thread>

extern char** environ;

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

void PosixShell::OpenProgramFile(const std::string& path, WindowHandle) {
    if (path.empty()) return;
    char* arguments[] = {const_cast<char*>(path.c_str()), nullptr};
    pid_t child = 0;
    if (posix_spawn(&child, path.c_str(), nullptr, nullptr, arguments, environ) != 0) return;
    // The started program lives on its own; its end is collected so that it
    // leaves no zombie behind.
    std::thread([child] {
        int status = 0;
        waitpid(child, &status, 0);
    }).detach();
}

}  // namespace kestrava
