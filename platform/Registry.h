// Port: values under the current user's registry root (HKEY_CURRENT_USER).
//
// Key paths use backslashes ("Software\\Skype\\Phone"); texts are UTF-8 on
// this port, whatever the system's code page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrava {

class Registry {
  public:
    // An open key; 0 is none.
    using Key = std::uintptr_t;

    virtual ~Registry() = default;

    // Opens an existing key for reading and writing; 0 when it does not exist.
    virtual Key OpenUserKey(const std::string& path) = 0;
    // Opens an existing key for reading only (a key the user may read but
    // not change opens too); 0 when it does not exist.
    virtual Key OpenUserKeyForReading(const std::string& path) = 0;
    // Opens the key, creating it (and its parents) when missing; 0 on failure.
    virtual Key CreateUserKey(const std::string& path) = 0;
    virtual void CloseKey(Key key) = 0;

    // A string value that fits, with its terminating zero, into `capacity`
    // UTF-16 units: the limit counts what the system stores, so a name of
    // Chinese characters fits as well as one of Latin letters of the same
    // length, though its UTF-8 is three times as long. An expandable string
    // comes with its environment variables expanded (the limit applies to the
    // expanded text). A missing value, one of another type or one that does
    // not fit fails and leaves `value` unchanged.
    virtual bool ReadString(Key key, const std::string& name, std::size_t capacity,
                            std::string* value) = 0;
    virtual bool WriteString(Key key, const std::string& name, const std::string& value) = 0;
    virtual bool ReadDword(Key key, const std::string& name, std::uint32_t* value) = 0;
    virtual bool WriteDword(Key key, const std::string& name, std::uint32_t value) = 0;
};

}  // namespace kestrava
