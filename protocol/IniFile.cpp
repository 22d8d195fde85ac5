#include "IniFile.h"

#include <cctype>
#include <fstream>
#include <sstream>

#include "platform/Files.h"

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

}  // namespace

bool IniFile::Load(const std::string& path) {
    m_values.clear();
    std::ifstream file(PathFromUtf8(path), std::ios::binary);
    if (!file) return false;
    std::ostringstream text;
    text << file.rdbuf();
    LoadFromText(text.str());
    return true;
}

void IniFile::LoadFromText(const std::string& text) {
    m_values.clear();
    std::string body = text;
    if (body.rfind("\xEF\xBB\xBF", 0) == 0) body.erase(0, 3);
    std::istringstream lines(body);
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
    return value->substr(0, kMaxTextLength);
}

}  // namespace kestrava
