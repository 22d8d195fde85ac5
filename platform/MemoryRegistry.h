// A registry held in memory: what tests use, and the base of the POSIX file
// store. Key paths compare without regard to ASCII case, as the system's do.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <variant>

#include "Registry.h"

namespace kestrava {

class MemoryRegistry : public Registry {
  public:
    using Value = std::variant<std::string, std::uint32_t>;
    using Values = std::map<std::string, Value>;

    Key OpenUserKey(const std::string& path) override;
    // The same as OpenUserKey: every key here may be written.
    Key OpenUserKeyForReading(const std::string& path) override;
    Key CreateUserKey(const std::string& path) override;
    void CloseKey(Key key) override;
    bool ReadString(Key key, const std::string& name, std::size_t capacity,
                    std::string* value) override;
    bool WriteString(Key key, const std::string& name, const std::string& value) override;
    bool ReadDword(Key key, const std::string& name, std::uint32_t* value) override;
    bool WriteDword(Key key, const std::string& name, std::uint32_t value) override;

    // For tests and the file store: the whole content, by key path.
    bool KeyExists(const std::string& path) const;
    Values ValuesOf(const std::string& path) const;
    std::map<std::string, Values> Snapshot() const;
    void Restore(std::map<std::string, Values> keys);

  protected:
    // Called after every successful write or creation, with the lock held.
    virtual void Changed() {}

  private:
    static std::string Normalised(const std::string& path);
    bool Write(Key key, const std::string& name, Value value);

    mutable std::recursive_mutex m_lock;
    std::map<std::string, Values> m_keys;
    std::map<Key, std::string> m_open;
    Key m_nextKey = 1;
};

}  // namespace kestrava
