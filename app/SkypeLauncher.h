// Starts the Skype client when the handset arrives and the client is not
// running: from the path its installer stored for the current user, else
// from the usual install path.
#pragma once

#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/WindowTypes.h"

namespace kestrava {

class SkypeLauncher {
  public:
    static constexpr const char* kPathKey = "Software\\Skype\\Phone";
    static constexpr const char* kPathValue = "SkypePath";
    static constexpr std::size_t kPathCapacity = 255;  // bytes, the terminating zero included
    static constexpr const char* kDefaultPath = "C:\\Program Files\\Skype\\Phone\\Skype.exe";

    SkypeLauncher(Registry& registry, Shell& shell) : m_registry(registry), m_shell(shell) {}

    // True when the stored path was read (an expandable one expanded) and
    // its start requested; false when the key or the value cannot be read.
    bool LaunchSkypeFromRegistry(WindowHandle owner);
    // The stored path, else the default one. Neither start is checked: with a
    // stored path the default is not tried, even when the stored one fails.
    void StartSkypeClient(WindowHandle owner);

  private:
    Registry& m_registry;
    Shell& m_shell;
};

}  // namespace kestrava
