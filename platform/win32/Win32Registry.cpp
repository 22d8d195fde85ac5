#include "Win32Registry.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "WideText.h"

namespace kestrava {

namespace {

HKEY AsHkey(Registry::Key key) {
    return reinterpret_cast<HKEY>(key);
}

constexpr REGSAM kAccess = KEY_READ | KEY_WRITE;

Registry::Key OpenKey(const std::string& path, REGSAM access) {
    const auto widePath = StrictUtf8ToWide(path);
    if (!widePath || widePath->empty()) return 0;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, widePath->c_str(), 0, access, &key) != ERROR_SUCCESS)
        return 0;
    return reinterpret_cast<Registry::Key>(key);
}

// An expandable string with its variables replaced; nothing when that fails.
std::optional<std::wstring> Expanded(const wchar_t* text) {
    for (DWORD size = 260;;) {
        std::vector<wchar_t> buffer(size, L'\0');
        const DWORD needed = ExpandEnvironmentStringsW(text, buffer.data(), size);
        if (needed == 0) return std::nullopt;
        if (needed <= size) return std::wstring(buffer.data());
        size = needed;
    }
}

}  // namespace

Registry::Key Win32Registry::OpenUserKey(const std::string& path) {
    return OpenKey(path, kAccess);
}

Registry::Key Win32Registry::OpenUserKeyForReading(const std::string& path) {
    return OpenKey(path, KEY_READ);
}

Registry::Key Win32Registry::CreateUserKey(const std::string& path) {
    const auto widePath = StrictUtf8ToWide(path);
    if (!widePath || widePath->empty()) return 0;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, widePath->c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        kAccess, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return 0;
    return reinterpret_cast<Key>(key);
}

void Win32Registry::CloseKey(Key key) {
    if (key) RegCloseKey(AsHkey(key));
}

// The value is read whole into a buffer of the size the system reports (the
// value may change between the two calls, so that is checked again) and only
// then measured against the caller's capacity. A value stored without its
// terminating zero ends where its data ends; one with extra zeros at the
// first of them.
bool Win32Registry::ReadString(Key key, const std::string& name, std::size_t capacity,
                               std::string* value) {
    const auto wideName = StrictUtf8ToWide(name);
    if (!key || !wideName || value == nullptr) return false;
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD type = 0;
        DWORD bytes = 0;
        LONG status =
            RegQueryValueExW(AsHkey(key), wideName->c_str(), nullptr, &type, nullptr, &bytes);
        if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
        // Whole units for the data (an odd byte count rounds up) and one unit
        // more that stays zero, so a text stored without its zero still ends.
        const std::size_t dataUnits = (static_cast<std::size_t>(bytes) + 1) / sizeof(wchar_t);
        std::vector<wchar_t> buffer(dataUnits + 1, L'\0');
        DWORD got = static_cast<DWORD>(dataUnits * sizeof(wchar_t));
        status = RegQueryValueExW(AsHkey(key), wideName->c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(buffer.data()), &got);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
        std::size_t units = got / sizeof(wchar_t);
        for (std::size_t i = 0; i < units; ++i) {
            if (buffer[i] == L'\0') {
                units = i;
                break;
            }
        }
        buffer[units] = L'\0';
        std::wstring wide(buffer.data(), units);
        if (type == REG_EXPAND_SZ) {
            auto expanded = Expanded(wide.c_str());
            if (!expanded) return false;
            wide = std::move(*expanded);
        }
        if (wide.size() + 1 > capacity) return false;
        *value = WideToUtf8(wide.data(), wide.size());
        return true;
    }
    return false;
}

bool Win32Registry::WriteString(Key key, const std::string& name, const std::string& value) {
    const auto wideName = StrictUtf8ToWide(name);
    const auto wideValue = StrictUtf8ToWide(value);
    if (!key || !wideName || !wideValue) return false;
    // The length the system keeps includes the terminating zero.
    const std::size_t bytes = (wideValue->size() + 1) * sizeof(wchar_t);
    if (bytes > MAXDWORD) return false;
    return RegSetValueExW(AsHkey(key), wideName->c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(wideValue->c_str()),
                          static_cast<DWORD>(bytes)) == ERROR_SUCCESS;
}

bool Win32Registry::ReadDword(Key key, const std::string& name, std::uint32_t* value) {
    const auto wideName = StrictUtf8ToWide(name);
    if (!key || !wideName || value == nullptr) return false;
    DWORD type = 0;
    DWORD word = 0;
    DWORD bytes = sizeof(word);
    if (RegQueryValueExW(AsHkey(key), wideName->c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(&word), &bytes) != ERROR_SUCCESS ||
        type != REG_DWORD || bytes != sizeof(word))
        return false;
    *value = word;
    return true;
}

bool Win32Registry::WriteDword(Key key, const std::string& name, std::uint32_t value) {
    const auto wideName = StrictUtf8ToWide(name);
    if (!key || !wideName) return false;
    const DWORD word = value;
    return RegSetValueExW(AsHkey(key), wideName->c_str(), 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&word), sizeof(word)) == ERROR_SUCCESS;
}

}  // namespace kestrava
