// What every fuzz target shares: pauses that return at once, a temporary
// folder removed at exit, and a reader of the fuzzer's bytes.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Pause.h"

namespace kestrava::fuzz {

inline void NoPause(std::chrono::milliseconds) {}

// A fresh folder under the system's temporary folder, named after the
// process so parallel fuzzers never share one.
class TempFolder {
  public:
    TempFolder() = default;
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    void Create(const std::string& name) {
        m_path = std::filesystem::temp_directory_path() /
                 (name + "-" + std::to_string(static_cast<long>(::getpid())));
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
    }
    const std::filesystem::path& Path() const { return m_path; }

  private:
    std::filesystem::path m_path;
};

// Takes values off the front of the input; past its end every value is zero.
class Bytes {
  public:
    Bytes(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool Empty() const { return m_pos >= m_size; }
    std::size_t Left() const { return Empty() ? 0 : m_size - m_pos; }
    std::uint8_t Byte() { return Empty() ? 0 : m_data[m_pos++]; }
    std::uint32_t Word() {
        std::uint32_t word = 0;
        for (int i = 0; i < 4; ++i) word |= static_cast<std::uint32_t>(Byte()) << (8 * i);
        return word;
    }
    // Up to `most` bytes, as text.
    std::string Text(std::size_t most) {
        std::size_t n = std::min(most, Left());
        std::string text(reinterpret_cast<const char*>(m_data + m_pos), n);
        m_pos += n;
        return text;
    }
    std::string Rest() { return Text(Left()); }

  private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// The input cut into lines at '\n'.
inline std::vector<std::string> Lines(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> lines;
    std::string_view all(reinterpret_cast<const char*>(data), size);
    while (!all.empty()) {
        auto end = all.find('\n');
        lines.emplace_back(all.substr(0, end));
        if (end == std::string_view::npos) break;
        all.remove_prefix(end + 1);
    }
    return lines;
}

}  // namespace kestrava::fuzz
