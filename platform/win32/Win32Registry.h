// The registry port over the system's registry under HKEY_CURRENT_USER.
// Texts are UTF-8 on the port and UTF-16 to the system. The system's registry
// calls are safe from any thread and this adapter keeps no state of its own.
#pragma once

#include "platform/Registry.h"

namespace kestrava {

class Win32Registry final : public Registry {
  public:
    Key OpenUserKey(const std::string& path) override;
    Key OpenUserKeyForReading(const std::string& path) override;
    Key CreateUserKey(const std::string& path) override;
    void CloseKey(Key key) override;
    bool ReadString(Key key, const std::string& name, std::size_t capacity,
                    std::string* value) override;
    bool WriteString(Key key, const std::string& name, const std::string& value) override;
    bool ReadDword(Key key, const std::string& name, std::uint32_t* value) override;
    bool WriteDword(Key key, const std::string& name, std::uint32_t value) override;
};

}  // namespace kestrava
