// A reader for the program's INI file that behaves the same on every system.
//
// Rules (those of the Windows profile functions the file was written for):
// section and key names match without regard to case; the first matching key
// wins; blanks around names and values are dropped; lines starting with ';'
// are comments. A UTF-8 byte-order mark at the start of the file is skipped
// and CR LF line ends are read like LF, since editors add both.
#pragma once

#include <map>
#include <string>

namespace kestrava {

class IniFile {
  public:
    // Longest text value kept (the profile functions fill a 260-byte buffer).
    static constexpr std::size_t kMaxTextLength = 259;

    // Reads the file; a missing or unreadable file reads as empty.
    bool Load(const std::string& path);
    void LoadFromText(const std::string& text);

    // Leading decimal digits with an optional minus sign; `fallback` when the key is missing.
    int GetInt(const std::string& section, const std::string& key, int fallback) const;
    // The value cut to kMaxTextLength characters; empty when missing.
    std::string GetText(const std::string& section, const std::string& key) const;

  private:
    const std::string* Find(const std::string& section, const std::string& key) const;

    std::map<std::string, std::string> m_values;  // "section\nkey" in lower case -> value
};

}  // namespace kestrava
