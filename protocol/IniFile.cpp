#include "IniFile.h"

#include <cctype>
#include <fstream>
#include <sstream>

#include "platform/Files.h"
#include "platform/NameText.h"
#include "protocol/LineWords.h"

namespace kestrava {

namespace {

std::string Trim(const std::string& text) {
    const char* blanks = " \t\r\n";
    auto first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    auto last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string KeyOf(const std::string& section, const std::string& key) {
    return Lower(Trim(section)) + '\n' + Lower(Trim(key));
}

// The length of the well-formed UTF-8 character at `at` (no overlong forms,
// no surrogates, nothing past U+10FFFF); 0 when there is none.
std::size_t Utf8CharacterAt(const std::string& text, std::size_t at) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return 1;
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
    }
    return length;
}

bool IsUtf8(const std::string& text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Utf8CharacterAt(text, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

// Each byte that starts no well-formed character becomes U+FFFD.
std::string RepairedUtf8(const std::string& text) {
    std::string repaired;
    repaired.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Utf8CharacterAt(text, at);
        if (length == 0) {
            repaired += "\xEF\xBF\xBD";
            ++at;
        } else {
            repaired.append(text, at, length);
            at += length;
        }
    }
    return repaired;
}

}  // namespace

std::string IniFile::DecodeFile(const std::string& bytes, const AnsiDecoder& fromAnsi) {
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) return RepairedUtf8(bytes.substr(3));
    if (IsUtf8(bytes)) return bytes;
    // The decoder's result is checked as well: the file's texts go on as UTF-8.
    return RepairedUtf8(fromAnsi ? fromAnsi(bytes) : bytes);
}

bool IniFile::Load(const std::string& path) {
    m_values.clear();
    std::ifstream file(PathFromUtf8(path), std::ios::binary);
    if (!file) return false;
    std::ostringstream text;
    text << file.rdbuf();
    LoadFromText(text.str());
    return true;
}

void IniFile::LoadFromText(const std::string& bytes) {
    LoadFromText(bytes, SystemTextToUtf8);
}

void IniFile::LoadFromText(const std::string& bytes, const AnsiDecoder& fromAnsi) {
    m_values.clear();
    std::istringstream lines(DecodeFile(bytes, fromAnsi));
    std::string line;
    std::string section;
    bool inSection = false;
    while (std::getline(lines, line)) {
        std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] == ';') continue;
        if (trimmed[0] == '[') {
            auto close = trimmed.find(']');
            section = trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1);
            inSection = true;
            continue;
        }
        auto equals = trimmed.find('=');
        if (!inSection || equals == std::string::npos) continue;
        std::string value = Trim(trimmed.substr(equals + 1));
        // A value written in double quotes is read without them.
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        m_values.emplace(KeyOf(section, trimmed.substr(0, equals)), value);
    }
}

const std::string* IniFile::Find(const std::string& section, const std::string& key) const {
    auto it = m_values.find(KeyOf(section, key));
    return it == m_values.end() ? nullptr : &it->second;
}

int IniFile::GetInt(const std::string& section, const std::string& key, int fallback) const {
    const std::string* value = Find(section, key);
    if (value == nullptr) return fallback;
    std::size_t i = 0;
    bool negative = false;
    if (i < value->size() && (*value)[i] == '-') {
        negative = true;
        ++i;
    }
    long long number = 0;
    for (; i < value->size() && std::isdigit(static_cast<unsigned char>((*value)[i])); ++i) {
        number = number * 10 + ((*value)[i] - '0');
        if (number > 0xFFFFFFFFll) number = 0xFFFFFFFFll;  // keeps going, saturated
    }
    // The profile functions hand back the 32-bit value of the digits.
    auto bits = static_cast<std::uint32_t>(negative ? -number : number);
    return static_cast<int>(bits);
}

std::string IniFile::GetText(const std::string& section, const std::string& key) const {
    const std::string* value = Find(section, key);
    if (value == nullptr) return {};
    return CutUtf8(*value, kMaxTextLength);
}

}  // namespace kestrava
