#include "platform/MemoryRegistry.h"

#include <cctype>

namespace kestrava {

namespace {

// The UTF-16 units the system would store for a UTF-8 text: one per
// character, two for one outside the basic plane (a four-byte sequence).
// Bytes that begin no character (continuations) add nothing.
std::size_t Utf16Length(const std::string& utf8) {
    std::size_t units = 0;
    for (char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80) ++units;
        if (byte >= 0xF0) ++units;
    }
    return units;
}

}  // namespace

std::string MemoryRegistry::Normalised(const std::string& path) {
    std::string key;
    key.reserve(path.size());
    for (char c : path)
        key.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    while (!key.empty() && key.back() == '\\') key.pop_back();
    return key;
}

Registry::Key MemoryRegistry::OpenUserKey(const std::string& path) {
    std::lock_guard lock(m_lock);
    std::string key = Normalised(path);
    if (key.empty() || !m_keys.contains(key)) return 0;
    Key handle = m_nextKey++;
    m_open[handle] = key;
    return handle;
}

Registry::Key MemoryRegistry::OpenUserKeyForReading(const std::string& path) {
    // This class's own opening: a test registry may refuse writing access.
    return MemoryRegistry::OpenUserKey(path);
}

Registry::Key MemoryRegistry::CreateUserKey(const std::string& path) {
    std::lock_guard lock(m_lock);
    std::string key = Normalised(path);
    if (key.empty()) return 0;
    if (!m_keys.contains(key)) {
        m_keys[key];
        Changed();
    }
    Key handle = m_nextKey++;
    m_open[handle] = key;
    return handle;
}

void MemoryRegistry::CloseKey(Key key) {
    std::lock_guard lock(m_lock);
    m_open.erase(key);
}

bool MemoryRegistry::ReadString(Key key, const std::string& name, std::size_t capacity,
                                std::string* value) {
    std::lock_guard lock(m_lock);
    auto open = m_open.find(key);
    if (open == m_open.end() || value == nullptr) return false;
    const Values& values = m_keys[open->second];
    auto found = values.find(name);
    if (found == values.end()) return false;
    const std::string* text = std::get_if<std::string>(&found->second);
    if (text == nullptr || Utf16Length(*text) + 1 > capacity) return false;
    *value = *text;
    return true;
}

bool MemoryRegistry::ReadDword(Key key, const std::string& name, std::uint32_t* value) {
    std::lock_guard lock(m_lock);
    auto open = m_open.find(key);
    if (open == m_open.end() || value == nullptr) return false;
    const Values& values = m_keys[open->second];
    auto found = values.find(name);
    if (found == values.end()) return false;
    const std::uint32_t* word = std::get_if<std::uint32_t>(&found->second);
    if (word == nullptr) return false;
    *value = *word;
    return true;
}

bool MemoryRegistry::Write(Key key, const std::string& name, Value value) {
    std::lock_guard lock(m_lock);
    auto open = m_open.find(key);
    if (open == m_open.end()) return false;
    // The key may have been removed by a Restore meanwhile; writing brings it back.
    m_keys[open->second][name] = std::move(value);
    Changed();
    return true;
}

bool MemoryRegistry::WriteString(Key key, const std::string& name, const std::string& value) {
    return Write(key, name, value);
}

bool MemoryRegistry::WriteDword(Key key, const std::string& name, std::uint32_t value) {
    return Write(key, name, value);
}

bool MemoryRegistry::KeyExists(const std::string& path) const {
    std::lock_guard lock(m_lock);
    return m_keys.contains(Normalised(path));
}

MemoryRegistry::Values MemoryRegistry::ValuesOf(const std::string& path) const {
    std::lock_guard lock(m_lock);
    auto found = m_keys.find(Normalised(path));
    return found == m_keys.end() ? Values{} : found->second;
}

std::map<std::string, MemoryRegistry::Values> MemoryRegistry::Snapshot() const {
    std::lock_guard lock(m_lock);
    return m_keys;
}

void MemoryRegistry::Restore(std::map<std::string, Values> keys) {
    std::lock_guard lock(m_lock);
    m_keys.clear();
    for (auto& [path, values] : keys) m_keys[Normalised(path)] = std::move(values);
}

}  // namespace kestrava
