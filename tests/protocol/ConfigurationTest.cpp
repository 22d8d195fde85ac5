// The INI file as users write it, and what the engine takes from it.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "EngineFixture.h"
#include "platform/DialogHost.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "protocol/IniFile.h"

namespace kestrava::testing {
namespace {

using ::testing::_;

TEST(IniFile, ReadsWhatEditorsWriteByteOrderMarkCrLfAndBlanksAroundTheEqualsSign) {
    IniFile ini;
    ini.LoadFromText(
        "\xEF\xBB\xBF[SYSTEM]\r\n"
        "SupportSky = 2\r\n"
        "; a comment\r\n"
        "  supportagc=1  \r\n"
        "[Name]\r\n"
        "APINAME =  Front Desk  \r\n"
        "Quoted=\"  padded  \"\r\n"
        "[SYSTEM]\r\n"
        "SupportSky=1\r\n");
    EXPECT_EQ(ini.GetInt("SYSTEM", "SupportSky", 7), 2) << "the first key wins";
    EXPECT_EQ(ini.GetInt("system", "SUPPORTAGC", 0), 1);
    EXPECT_EQ(ini.GetText("NAME", "APINAME"), "Front Desk");
    EXPECT_EQ(ini.GetText("NAME", "Quoted"), "  padded  ");
    EXPECT_EQ(ini.GetInt("SYSTEM", "Missing", 16), 16);
    EXPECT_EQ(ini.GetText("NOSECTION", "APINAME"), "");
}

TEST(IniFile, IntegersTakeTheLeadingDigitsWithAnOptionalMinus) {
    IniFile ini;
    ini.LoadFromText("[D]\na=42abc\nb=-7\nc=abc\nd=\ne=99999999999\n");
    EXPECT_EQ(ini.GetInt("D", "a", 0), 42);
    EXPECT_EQ(ini.GetInt("D", "b", 0), -7);
    EXPECT_EQ(ini.GetInt("D", "c", 5), 0) << "a present key without digits reads 0";
    EXPECT_EQ(ini.GetInt("D", "d", 5), 0);
    EXPECT_EQ(ini.GetInt("D", "e", 0), -1) << "saturated at 32 bits";
}

TEST(IniFile, TextsAreCutTo259CharactersAndAMissingFileReadsEmpty) {
    IniFile ini;
    ini.LoadFromText("[N]\nName=" + std::string(400, 'n') + "\n");
    EXPECT_EQ(ini.GetText("N", "Name").size(), 259u);
    EXPECT_FALSE(ini.Load("/nonexistent/Pellanor.ini"));
    EXPECT_EQ(ini.GetText("N", "Name"), "");
}

// A code page for the tests: each byte is the character of that number.
std::string Latin1ToUtf8(const std::string& text) {
    std::string utf8;
    for (unsigned char c : text) {
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else {
            utf8 += static_cast<char>(0xC0 | (c >> 6));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}

TEST(IniFile, AByteOrderMarkOrValidUtf8MeansUtf8AnythingElseTheAnsiCodePage) {
    const std::string wang = "\xE7\x8E\x8B";  // U+738B, three bytes in UTF-8
    const struct {
        const char* what;
        std::string bytes;
        std::string value;
        bool ansi;
    } cases[] = {
        {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF[N]\r\nA=" + wang + "\r\n", wang, false},
        {"UTF-8 without one", "[N]\nA=M\xC3\xBCller " + wang + "\n", "M\xC3\xBCller " + wang,
         false},
        {"ASCII", "[N]\nA=Front Desk\n", "Front Desk", false},
        // The code page's bytes of a Chinese name, and of a German one.
        {"double-byte ANSI", "[N]\nA=\xCD\xF5\n", "\xC3\x8D\xC3\xB5", true},
        {"ANSI", "[N]\nA=M\xFCller\n", "M\xC3\xBCller", true},
        // One stray byte anywhere makes the whole file ANSI.
        {"valid UTF-8 and a stray byte", "[N]\nA=\xC3\xBC\nB=\xFC\n", "\xC3\x83\xC2\xBC", true},
        {"an overlong form", "[N]\nA=\xC0\xAF\n", "\xC3\x80\xC2\xAF", true},
        {"an encoded surrogate", "[N]\nA=\xED\xA0\x80\n", "\xC3\xAD\xC2\xA0\xC2\x80", true},
        {"a character cut at the end", "[N]\nA=\xE7\x8E", "\xC3\xA7\xC2\x8E", true},
        // Marked as UTF-8: a stray byte stays a replacement character.
        {"a byte-order mark and a stray byte",
         "\xEF\xBB\xBF[N]\nA=a\xFC"
         "b\n",
         "a\xEF\xBF\xBD"
         "b",
         false},
    };
    for (const auto& c : cases) {
        int decoded = 0;
        IniFile ini;
        ini.LoadFromText(c.bytes, [&](const std::string& bytes) {
            ++decoded;
            EXPECT_EQ(bytes, c.bytes) << c.what << ": the whole file, once";
            return Latin1ToUtf8(bytes);
        });
        EXPECT_EQ(ini.GetText("N", "A"), c.value) << c.what;
        EXPECT_EQ(decoded, c.ansi ? 1 : 0) << c.what;
    }
}

TEST(IniFile, LongTextsAreCutOnACharacterBoundary) {
    IniFile ini;
    // 86 three-byte characters and one more byte: 259 bytes end inside the 87th.
    std::string name = "n";
    for (int i = 0; i < 90; ++i) name += "\xE7\x8E\x8B";
    ini.LoadFromText("[N]\nName=" + name + "\n");
    EXPECT_EQ(ini.GetText("N", "Name"), name.substr(0, 1 + 86 * 3));
}

class ConfigurationTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        folder = std::filesystem::temp_directory_path() /
                 ("kestrava-config-" +
                  std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
        shell.moduleDirectory = folder.string() + kPathSeparator;
    }
    void TearDown() override {
        std::filesystem::remove_all(folder);
        EngineTest::TearDown();
    }
    void Write(const std::string& text) {
        std::ofstream(folder / "Pellanor.ini", std::ios::binary) << text;
    }
    struct Flags {
        int font = -1, sky = -1, hide = -1, agc = -1, autoRun = -1, autoSwitch = -1,
            autoSwitchSystem = -1, focus = -1, arf = -1, limit = -1;
    };
    Flags Load() {
        Flags f;
        engine->LoadConfiguration(shell.moduleDirectory.c_str(), &f.font, &f.sky, &f.hide, &f.agc,
                                  &f.autoRun, &f.autoSwitch, &f.autoSwitchSystem, &f.focus, &f.arf,
                                  &f.limit);
        return f;
    }
    // The application name goes out with the NAME command.
    std::string SendAndCollectName() {
        engine->QRV_SendSkypeCommandData(16, nullptr, 0);
        EXPECT_TRUE(windows.WaitForSends(1, std::chrono::seconds(5)));
        return windows.SentTexts().at(0);
    }
    std::filesystem::path folder;
};

TEST_F(ConfigurationTest, WithoutAFileEveryKeyTakesItsDefault) {
    Flags f = Load();
    EXPECT_EQ(f.font, 1);
    EXPECT_EQ(f.sky, 1);
    EXPECT_EQ(f.hide, 1);
    EXPECT_EQ(f.agc + f.autoRun + f.autoSwitch + f.autoSwitchSystem + f.focus + f.arf + f.limit, 0);
    int reg04 = 0, reg1C = 0;
    engine->GetCodecRegisterDefaults(&reg04, &reg1C);
    EXPECT_EQ(reg04, 16);
    EXPECT_EQ(reg1C, 8);
    char title[CSkypeEngine::kTextBufferSize];
    engine->GetApiWindowName(title);
    EXPECT_STREQ(title, "SkypeForWindow");
    char about[CSkypeEngine::kTextBufferSize] = "untouched";
    EXPECT_EQ(engine->GetCustomerInfo(about), E_FAIL);
    EXPECT_STREQ(about, "untouched");
}

TEST_F(ConfigurationTest, FlagsAreOnOnlyForExactlyOneAndTheFontTestIsTheOpposite) {
    Write(
        "[SYSTEM]\nSupportSky=2\nSupportAGC=1\nSupportARF=01\nSupportLimitCalls=1\n"
        "[FONT]\nNotSupportedFont=1\n[DEFAULT]\nReg04Value=20\n[NAME]\nAPINAME=\n");
    Flags f = Load();
    EXPECT_EQ(f.sky, 0) << "2 counts as off";
    EXPECT_EQ(f.agc, 1);
    EXPECT_EQ(f.arf, 1) << "01 reads as the number 1";
    EXPECT_EQ(f.limit, 1);
    EXPECT_EQ(f.font, 0);
    EXPECT_EQ(engine->FontsSupported(), 0);
    int reg04 = 0, reg1C = 0;
    engine->GetCodecRegisterDefaults(&reg04, &reg1C);
    EXPECT_EQ(reg04, 20);
    EXPECT_EQ(reg1C, 8);
    char title[CSkypeEngine::kTextBufferSize];
    engine->GetApiWindowName(title);
    EXPECT_STREQ(title, "SkypeForWindow") << "an empty APINAME gives the default title";
}

TEST_F(ConfigurationTest, TextsIconPathsAndTheAboutTextWithLineBreaks) {
    Write(
        "[NAME]\nName=Kestrava Phone\nAPINAME=Front Desk\nCustomerINFO=Line one\\nLine two\\n\n"
        "[ICON]\nFileNoHW=nohw.ico\nFileActive=active.ico\n");
    Load();
    char text[CSkypeEngine::kTextBufferSize];
    engine->GetApiWindowName(text);
    EXPECT_STREQ(text, "Front Desk");
    ASSERT_EQ(engine->GetCustomerInfo(text), S_OK);
    EXPECT_STREQ(text, "Line one\r\nLine two\r\n");
    engine->GetIconFileNoHW(text);
    EXPECT_EQ(std::string(text), FileInFolder(shell.moduleDirectory, "nohw.ico"));
    engine->GetIconFileActive(text);
    EXPECT_EQ(std::string(text), FileInFolder(shell.moduleDirectory, "active.ico"));

    EXPECT_EQ(SendAndCollectName(), "NAME Kestrava Phone");
}

// A program folder deep under Chinese names: the settings are read from it
// whatever the path's length, and an icon path cut to the caller's buffer
// never ends inside a character.
TEST_F(ConfigurationTest, ALongChineseFolderIsReadWholeAndItsIconPathsCutOnACharacter) {
    const std::u8string base8 = folder.u8string();
    const std::string base(base8.begin(), base8.end());
    // A folder of 84 three-byte characters after a few ASCII ones, so many
    // that the caller's 259 bytes end inside a character.
    const std::size_t at = CSkypeEngine::kTextBufferSize - 1 - (base.size() + 1);
    const std::size_t ascii = (at + 2) % 3;
    ASSERT_LT(at, ascii + 84 * 3) << "the temporary folder is too long for this test";
    std::string deep = base + kPathSeparator + std::string(ascii, 'x');
    for (int i = 0; i < 84; ++i) deep += "\xE7\x8E\x8B";
    std::filesystem::create_directories(PathFromUtf8(deep));
    shell.moduleDirectory = deep + kPathSeparator;
    std::ofstream(PathFromUtf8(FileInFolder(deep, "Pellanor.ini")), std::ios::binary)
        << "[NAME]\nAPINAME=Deep Desk\n[ICON]\nFileActive=active.ico\n";
    Load();
    char text[CSkypeEngine::kTextBufferSize];
    engine->GetApiWindowName(text);
    EXPECT_STREQ(text, "Deep Desk");
    engine->GetIconFileActive(text);
    const std::string full = FileInFolder(shell.moduleDirectory, "active.ico");
    EXPECT_EQ(std::string(text), full.substr(0, CSkypeEngine::kTextBufferSize - 2))
        << "one byte short of the buffer: the character it would split is left out";
}

// Whatever the file's encoding, the window title, the tooltip and the About
// box get UTF-8 from the engine: all three read the same decoded text.
TEST_F(ConfigurationTest, TextsFromAFileInAnotherEncodingComeOutAsUtf8) {
    Write("[NAME]\nName=M\xFCller\nAPINAME=\xCD\xF5 Desk\nCustomerINFO=\xCD\xF5\\nB\n");
    Load();
    char text[CSkypeEngine::kTextBufferSize];
    engine->GetApiWindowName(text);
    const std::string title = text;
    ASSERT_EQ(engine->GetCustomerInfo(text), S_OK);
    const std::string about = text;
    IniFile decoded;
    decoded.LoadFromText("[N]\nA=\xCD\xF5\n");
    const std::string wang = decoded.GetText("N", "A");
    EXPECT_NE(wang, "\xCD\xF5") << "decoded from the code page";
    EXPECT_EQ(title, wang + " Desk");
    EXPECT_EQ(about, wang + "\r\nB");
}

class RecordingDialogs : public kestrava::testing::NullDialogHost {
  public:
    void InsertComboString(DialogHandle, int control, int index, const std::string& text) override {
        entries.push_back(std::to_string(control) + ":" + std::to_string(index) + "=" + text);
    }
    void SelectComboIndex(DialogHandle, int control, int index) override {
        entries.push_back(std::to_string(control) + ":select " + std::to_string(index));
    }
    std::vector<std::string> entries;
};

TEST_F(ConfigurationTest, TheRingListHasNumOfRingsEntriesEvenWhenSomeAreMissing) {
    Write("[RINGS]\nNUMOFRINGS=3\nRING_1=Classic\n");
    Load();
    RecordingDialogs dialogs;
    engine->FillRingList(dialogs, 0x77, 1001);
    EXPECT_THAT(dialogs.entries,
                ::testing::ElementsAre("1001:0=Classic", "1001:1=", "1001:2=", "1001:select 0"));
}

TEST_F(ConfigurationTest, AHugeNumOfRingsReadsOnlyTheFirstRings) {
    Write("[RINGS]\nNUMOFRINGS=2147483647\nRING_1=Classic\nRING_2=Chime\n");
    Load();
    RecordingDialogs dialogs;
    engine->FillRingList(dialogs, 0x77, 1001);
    ASSERT_EQ(dialogs.entries.size(), static_cast<std::size_t>(CSkypeEngine::kMaxRings) + 1);
    EXPECT_EQ(dialogs.entries[0], "1001:0=Classic");
    EXPECT_EQ(dialogs.entries[1], "1001:1=Chime");
    EXPECT_EQ(dialogs.entries[CSkypeEngine::kMaxRings - 1],
              "1001:" + std::to_string(CSkypeEngine::kMaxRings - 1) + "=");
    EXPECT_EQ(dialogs.entries.back(), "1001:select 0");
}

}  // namespace
}  // namespace kestrava::testing
