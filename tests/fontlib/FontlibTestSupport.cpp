#include "FontlibTestSupport.h"

#include <algorithm>
#include <atomic>
#include <fstream>

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

int PauseRecorder::Count(int milliseconds) const {
    std::lock_guard guard(m_lock);
    return static_cast<int>(std::count(m_pauses.begin(), m_pauses.end(), milliseconds));
}

std::string GeneratedFontFolder() {
#if defined(_WIN32)
    // The library takes UTF-8 paths: the folder may have characters outside
    // the ANSI code page.
    wchar_t wide[4096] = {};
    GetModuleFileNameW(nullptr, wide, 4095);
    const std::u8string folder = std::filesystem::path(wide).parent_path().u8string();
    return std::string(folder.begin(), folder.end());
#else
    char path[4096] = {};
    if (readlink("/proc/self/exe", path, sizeof path - 1) <= 0) return ".";
    return std::filesystem::path(path).parent_path().string();
#endif
}

ScratchFolder::ScratchFolder() {
    static std::atomic<int> counter{0};
    m_path = std::filesystem::temp_directory_path() /
             ("glyvar-test-" + std::to_string(counter++) + "-" +
              std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(m_path);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

void ScratchFolder::Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    std::ofstream out(m_path / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

void PutRecord(std::vector<std::uint8_t>& file, std::size_t index, std::uint8_t a, std::uint8_t b) {
    if (file.size() < 2 * index + 2) file.resize(2 * index + 2, 0);
    file[2 * index] = a;
    file[2 * index + 1] = b;
}

std::vector<std::uint8_t> DataValues(const std::vector<Unit>& units) {
    std::vector<std::uint8_t> values;
    for (const Unit& u : units)
        if (u.control != CLcdRendererImpl::kMarker) values.push_back(u.value);
    return values;
}
