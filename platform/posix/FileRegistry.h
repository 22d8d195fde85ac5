// The registry on POSIX systems: the in-memory registry, kept in one small
// text file in the user's configuration folder.
//
// The file is read once when the store is built and written whole after
// every change: to a temporary file beside it, then renamed over it, so a
// crash leaves either the old file or the new one. A damaged file loads what
// it can.
//
// File format, one entry a line, fields separated by one blank:
//   kestrava-registry 1
//   K <key path>
//   S <name> <text>       a string value of the key above
//   D <name> <decimal>    a 32-bit word of the key above
// Fields escape "\" as "\\", a blank as "\s", and every other byte below 0x20
// or 0x7F as "\xHH". Lines the reader does not understand are skipped.
#pragma once

#include <mutex>
#include <string>

#include "platform/MemoryRegistry.h"

namespace kestrava {

class FileRegistry final : public MemoryRegistry {
  public:
    // Loads `path` when it exists. An empty path keeps the values in memory only.
    explicit FileRegistry(std::string path);

    // $XDG_CONFIG_HOME/kestrava/registry, else $HOME/.config/kestrava/registry;
    // empty when neither variable is set.
    static std::string DefaultPath();

    // A value that cannot be saved to the file fails to write (it stays in
    // memory for this run). Creating a key only saves along the way.
    Key CreateUserKey(const std::string& path) override;
    bool WriteString(Key key, const std::string& name, const std::string& value) override;
    bool WriteDword(Key key, const std::string& name, std::uint32_t value) override;

    const std::string& Path() const { return m_path; }

  protected:
    void Changed() override;

  private:
    void Load();
    bool Save();

    const std::string m_path;
    // Taken before the base's lock by every operation that can change the
    // content, so a write and the save it causes are one step.
    std::recursive_mutex m_fileLock;
    bool m_saved = true;
};

}  // namespace kestrava
