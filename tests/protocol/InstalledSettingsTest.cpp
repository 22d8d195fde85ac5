// The Pellanor.ini that the installer puts beside the program: every key is
// written out, and the engine reads from it exactly what it reads without a
// file, except the icon names, which name the icon files that ship with it.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "EngineFixture.h"
#include "platform/Paths.h"
#include "protocol/IniFile.h"

namespace kestrava::testing {
namespace {

std::string InstalledSettingsText() {
    std::ifstream file(KESTRAVA_INSTALLED_INI, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

struct Key {
    const char* section;
    const char* name;
    const char* value;
};

// Every key the program reads, with the value the installed file must give it.
constexpr Key kInstalledKeys[] = {
    {"FONT", "NotSupportedFont", "0"},
    {"SYSTEM", "SupportSky", "1"},
    {"SYSTEM", "SupportHideWindows", "1"},
    {"SYSTEM", "SupportAGC", "0"},
    {"SYSTEM", "SupportAutoRunSkype", "0"},
    {"SYSTEM", "SupportAutoSwitchAudioDevice", "0"},
    {"SYSTEM", "SupportAutoSwitchSystemAudioDevice", "0"},
    {"SYSTEM", "SupportFocusAddressBook", "0"},
    {"SYSTEM", "SupportARF", "0"},
    {"SYSTEM", "SupportLimitCalls", "0"},
    {"DEFAULT", "Reg04Value", "16"},
    {"DEFAULT", "Reg1CValue", "8"},
    {"NAME", "Name", ""},
    {"NAME", "APINAME", ""},
    {"NAME", "CustomerINFO", ""},
    {"ICON", "FileNoHW", "HandsetNone.ico"},
    {"ICON", "FileNoANY", "HandsetNoLink.ico"},
    {"ICON", "FileNoSkype", "HandsetNoSkype.ico"},
    {"ICON", "FileActive", "HandsetActive.ico"},
    {"RINGS", "NUMOFRINGS", "0"},
};

TEST(InstalledSettings, EveryKeyIsWrittenOutWithItsValue) {
    const std::string text = InstalledSettingsText();
    ASSERT_FALSE(text.empty()) << "cannot read " << KESTRAVA_INSTALLED_INI;
    for (const Key& key : kInstalledKeys) {
        // The first key wins: a key missing from the file reads as the
        // marker appended after it, a key present (even empty) as its own value.
        IniFile ini;
        ini.LoadFromText(text + "\r\n[" + key.section + "]\r\n" + key.name + "=missing\r\n");
        EXPECT_EQ(ini.GetText(key.section, key.name), key.value)
            << "[" << key.section << "] " << key.name;
    }
}

TEST(InstalledSettings, NoValueCarriesAComment) {
    // The profile functions keep everything after the equals sign, so a
    // comment written behind a value would become part of it.
    std::string text = InstalledSettingsText();
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == ';' || line[0] == '[') continue;
        EXPECT_EQ(line.find(';'), std::string::npos) << line;
    }
}

// Marked as UTF-8, so that a name typed into it in any editor stays UTF-8
// (without the mark Notepad would save it in the ANSI code page).
TEST(InstalledSettings, IsUtf8WithAByteOrderMark) {
    const std::string text = InstalledSettingsText();
    EXPECT_EQ(text.rfind("\xEF\xBB\xBF", 0), 0u);
    int decoded = 0;
    IniFile ini;
    ini.LoadFromText(text, [&](const std::string& bytes) { return ++decoded, bytes; });
    EXPECT_EQ(decoded, 0) << "valid UTF-8";
}

class InstalledSettingsEngineTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        folder = std::filesystem::temp_directory_path() /
                 ("kestrava-installed-" +
                  std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
        std::filesystem::create_directories(folder);
        shell.moduleDirectory = folder.string() + kPathSeparator;
    }
    void TearDown() override {
        std::filesystem::remove_all(folder);
        EngineTest::TearDown();
    }

    // What the engine makes of the folder's file: the flags, codec values and texts.
    std::vector<std::string> Load() {
        int f[10] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
        engine->LoadConfiguration(shell.moduleDirectory.c_str(), &f[0], &f[1], &f[2], &f[3], &f[4],
                                  &f[5], &f[6], &f[7], &f[8], &f[9]);
        std::vector<std::string> seen;
        for (int flag : f) seen.push_back(std::to_string(flag));
        int reg04 = -1, reg1C = -1;
        engine->GetCodecRegisterDefaults(&reg04, &reg1C);
        seen.push_back(std::to_string(reg04));
        seen.push_back(std::to_string(reg1C));
        char text[CSkypeEngine::kTextBufferSize] = "";
        engine->GetApiWindowName(text);
        seen.push_back(text);
        std::string about = "none";
        if (engine->GetCustomerInfo(text) == S_OK) about = text;
        seen.push_back(about);
        return seen;
    }
    std::string IconPath(int (CSkypeEngine::*getter)(char*)) {
        char text[CSkypeEngine::kTextBufferSize] = "";
        (engine.get()->*getter)(text);
        return text;
    }

    std::filesystem::path folder;
};

TEST_F(InstalledSettingsEngineTest, ReadsBackAsTheDefaultsAndNamesTheShippedIcons) {
    const std::vector<std::string> defaults = Load();

    const std::string text = InstalledSettingsText();
    ASSERT_FALSE(text.empty());
    std::ofstream(folder / "Pellanor.ini", std::ios::binary) << text;
    EXPECT_EQ(Load(), defaults);
    EXPECT_EQ(IconPath(&CSkypeEngine::GetIconFileNoHW),
              FileInFolder(shell.moduleDirectory, "HandsetNone.ico"));
    EXPECT_EQ(IconPath(&CSkypeEngine::GetIconFileNoSkype),
              FileInFolder(shell.moduleDirectory, "HandsetNoSkype.ico"));
    EXPECT_EQ(IconPath(&CSkypeEngine::GetIconFileActive),
              FileInFolder(shell.moduleDirectory, "HandsetActive.ico"));
}

}  // namespace
}  // namespace kestrava::testing
