#include "platform/posix/FileRegistry.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

namespace kestrava {

namespace {

constexpr char kHeader[] = "kestrava-registry 1";
// A registry file is small; anything far larger is not ours.
constexpr std::uintmax_t kMaxFileSize = 4 * 1024 * 1024;

std::string Escaped(const std::string& text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == ' ') {
            out += "\\s";
        } else if (byte < 0x20 || byte == 0x7F) {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<std::string> Unescaped(const std::string& field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            out += field[i];
            continue;
        }
        if (++i >= field.size()) return std::nullopt;
        if (field[i] == '\\') {
            out += '\\';
        } else if (field[i] == 's') {
            out += ' ';
        } else if (field[i] == 'x' && i + 2 < field.size() && HexDigit(field[i + 1]) >= 0 &&
                   HexDigit(field[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(field[i + 1]) * 16 + HexDigit(field[i + 2]));
            i += 2;
        } else {
            return std::nullopt;
        }
    }
    return out;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        std::size_t blank = line.find(' ', start);
        fields.push_back(line.substr(start, blank - start));
        if (blank == std::string::npos) return fields;
        start = blank + 1;
    }
}

std::optional<std::uint32_t> Word(const std::string& field) {
    std::uint32_t value = 0;
    auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size() || field.empty())
        return std::nullopt;
    return value;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

}  // namespace

FileRegistry::FileRegistry(std::string path) : m_path(std::move(path)) {
    Load();
}

std::string FileRegistry::DefaultPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config) return std::string(config) + "/kestrava/registry";
    const char* home = std::getenv("HOME");
    if (home && *home) return std::string(home) + "/.config/kestrava/registry";
    return {};
}

void FileRegistry::Load() {
    std::error_code error;
    if (m_path.empty() || std::filesystem::file_size(m_path, error) > kMaxFileSize || error) return;
    std::ifstream file(m_path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    const std::string text = content.str();

    std::map<std::string, Values> keys;
    std::optional<std::string> key;  // the key the value lines belong to
    std::size_t start = 0;
    // A last line without its newline may have been cut in the middle of a
    // value, so it is left out.
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::vector<std::string> fields = Fields(text.substr(start, end - start));
        if (fields.size() == 2 && fields[0] == "K") {
            key = Unescaped(fields[1]);
            if (key && key->empty()) key.reset();
            if (key) keys[*key];
            continue;
        }
        if (!key || fields.size() != 3) continue;
        const auto name = Unescaped(fields[1]);
        if (!name) continue;
        if (fields[0] == "S") {
            if (auto value = Unescaped(fields[2])) keys[*key][*name] = *value;
        } else if (fields[0] == "D") {
            if (auto value = Word(fields[2])) keys[*key][*name] = *value;
        }
    }
    Restore(std::move(keys));
}

bool FileRegistry::Save() {
    if (m_path.empty()) return true;  // kept in memory only
    std::string text = std::string(kHeader) + "\n";
    for (const auto& [path, values] : Snapshot()) {
        text += "K " + Escaped(path) + "\n";
        for (const auto& [name, value] : values) {
            if (const auto* word = std::get_if<std::uint32_t>(&value)) {
                text += "D " + Escaped(name) + " " + std::to_string(*word) + "\n";
            } else {
                text += "S " + Escaped(name) + " " + Escaped(std::get<std::string>(value)) + "\n";
            }
        }
    }
    std::error_code error;
    const std::filesystem::path target(m_path);
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), error);

    // The whole new file reaches the disk before it replaces the old one.
    const std::string temporary = m_path + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const bool written = WriteAll(fd, text) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written || ::rename(temporary.c_str(), m_path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

// The base calls this with its lock held, and only inside the writes below,
// which hold m_fileLock already (taking it here would invert the order).
void FileRegistry::Changed() {
    m_saved = Save();
}

Registry::Key FileRegistry::CreateUserKey(const std::string& path) {
    std::lock_guard lock(m_fileLock);
    return MemoryRegistry::CreateUserKey(path);
}

bool FileRegistry::WriteString(Key key, const std::string& name, const std::string& value) {
    std::lock_guard lock(m_fileLock);
    m_saved = true;
    return MemoryRegistry::WriteString(key, name, value) && m_saved;
}

bool FileRegistry::WriteDword(Key key, const std::string& name, std::uint32_t value) {
    std::lock_guard lock(m_fileLock);
    m_saved = true;
    return MemoryRegistry::WriteDword(key, name, value) && m_saved;
}

}  // namespace kestrava
