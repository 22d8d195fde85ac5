#include "app/SkypeLauncher.h"

#include <string>

namespace kestrava {

bool SkypeLauncher::LaunchSkypeFromRegistry(WindowHandle owner) {
    // Only read: the user may be allowed no more on the client's key.
    Registry::Key key = m_registry.OpenUserKeyForReading(kPathKey);
    if (key == 0) return false;
    std::string path;
    bool read = m_registry.ReadString(key, kPathValue, kPathCapacity, &path);
    if (read) m_shell.OpenProgramFile(path, owner);
    m_registry.CloseKey(key);
    return read;
}

void SkypeLauncher::StartSkypeClient(WindowHandle owner) {
    if (!LaunchSkypeFromRegistry(owner)) m_shell.OpenProgramFile(kDefaultPath, owner);
}

}  // namespace kestrava
