// A reader for the program's INI file that behaves the same on every system.
//
// Rules (those of the Windows profile functions the file was written for):
// section and key names match without regard to case; the first matching key
// wins; blanks around names and values are dropped; lines starting with ';'
// are comments. CR LF line ends are read like LF, since editors write both.
//
// The file's encoding: a UTF-8 byte-order mark, or bytes that are valid
// UTF-8 throughout, mean UTF-8; anything else is in the system's ANSI code
// page (what Notepad saves as "ANSI" on that system). The whole file is
// decoded once on loading, and every text handed out is UTF-8.
#pragma once

#include <functional>
#include <map>
#include <string>

namespace kestrava {

class IniFile {
  public:
    // Longest text value kept (the profile functions fill a 260-byte buffer).
    static constexpr std::size_t kMaxTextLength = 259;

    // Turns text in the ANSI code page into UTF-8.
    using AnsiDecoder = std::function<std::string(const std::string&)>;

    // Reads the file; a missing or unreadable file reads as empty.
    bool Load(const std::string& path);
    // The file's bytes; an ANSI file is decoded by `fromAnsi`, by default the
    // system's code page (platform/NameText).
    void LoadFromText(const std::string& bytes);
    void LoadFromText(const std::string& bytes, const AnsiDecoder& fromAnsi);
    // The file's bytes as UTF-8, by the rule above. Text after a byte-order
    // mark that is not valid UTF-8 has U+FFFD for each stray byte.
    static std::string DecodeFile(const std::string& bytes, const AnsiDecoder& fromAnsi);

    // Leading decimal digits with an optional minus sign; `fallback` when the key is missing.
    int GetInt(const std::string& section, const std::string& key, int fallback) const;
    // The value cut to kMaxTextLength bytes on a character boundary; empty
    // when missing.
    std::string GetText(const std::string& section, const std::string& key) const;

  private:
    const std::string* Find(const std::string& section, const std::string& key) const;

    std::map<std::string, std::string> m_values;  // "section\nkey" in lower case -> value
};

}  // namespace kestrava
