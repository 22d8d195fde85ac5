// Port: the small services of the system shell that the program uses.
#pragma once

#include <chrono>
#include <string>

#include "WindowTypes.h"

namespace kestrava {

enum class MessageBoxIcon { Error, Information };

class Shell {
  public:
    virtual ~Shell() = default;

    // A modal message box without an owner window; both texts UTF-8.
    virtual void ShowMessageBox(const std::string& text, const std::string& caption,
                                MessageBoxIcon icon) = 0;

    // Creates the named mutex (not owned), holds it for `duration`, then closes it.
    // Outside programs watch for it to learn that the program is leaving.
    virtual void PulseNamedMutex(const std::string& name, std::chrono::milliseconds duration) = 0;

    // Stops any sound the program plays (the system sound purge).
    virtual void PurgeSounds() = 0;

    // Starts the program at `path` (the shell's "open", shown normally), with
    // `owner` as the owner of any message the system shows. Nothing is
    // reported back: whether it started is not known here.
    virtual void OpenProgramFile(const std::string& path, WindowHandle owner) = 0;
};

}  // namespace kestrava
