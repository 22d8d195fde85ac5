#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/posix/FileRegistry.h"

namespace kestrava {
namespace {

namespace fs = std::filesystem;
using Keys = std::map<std::string, MemoryRegistry::Values>;

class FileRegistryTest : public ::testing::Test {
  protected:
    FileRegistryTest() {
        static int counter = 0;
        m_folder = fs::temp_directory_path() / ("kestrava-registry-" + std::to_string(getpid()) +
                                                "-" + std::to_string(++counter));
        fs::create_directories(m_folder);
    }
    ~FileRegistryTest() override { fs::remove_all(m_folder); }

    std::string PathOf(const std::string& name) const { return (m_folder / name).string(); }
    void WriteFile(const std::string& path, const std::string& content) {
        std::ofstream(path, std::ios::binary) << content;
    }
    std::string ReadFile(const std::string& path) {
        std::stringstream content;
        content << std::ifstream(path, std::ios::binary).rdbuf();
        return content.str();
    }

    fs::path m_folder;
};

TEST_F(FileRegistryTest, ValuesSurviveAReload) {
    const std::string path = PathOf("sub/folder/registry");  // folders are made on demand
    {
        FileRegistry registry(path);
        Registry::Key key = registry.CreateUserKey("Software\\Microsoft\\Multimedia\\Sound Mapper");
        ASSERT_NE(key, 0u);
        EXPECT_TRUE(registry.WriteString(key, "Playback", "Speakers (High Definition Audio)"));
        EXPECT_TRUE(registry.WriteString(key, "Odd name\\ with=signs", "a\\b\\sc\nd\re\tf\x7f"));
        EXPECT_TRUE(registry.WriteString(key, "Empty", ""));
        EXPECT_TRUE(registry.WriteString(key, "Utf8", "Lautsprecher \xC3\xA4\xE5\x96\x87"));
        EXPECT_TRUE(registry.WriteDword(key, "PreferredOnly", 0));
        EXPECT_TRUE(registry.WriteDword(key, "Largest", 0xFFFFFFFFu));
        registry.CloseKey(key);
        registry.CloseKey(registry.CreateUserKey("Software\\Skype\\Phone"));
    }
    FileRegistry first(path);
    FileRegistry reloaded(path);
    const Keys keys = first.Snapshot();
    EXPECT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys, reloaded.Snapshot());
    auto values = first.ValuesOf("Software\\Microsoft\\Multimedia\\Sound Mapper");
    EXPECT_EQ(values.size(), 6u);
    EXPECT_EQ(values["Odd name\\ with=signs"], MemoryRegistry::Value("a\\b\\sc\nd\re\tf\x7f"));
    EXPECT_EQ(values["Largest"], MemoryRegistry::Value(0xFFFFFFFFu));
    EXPECT_EQ(ReadFile(path).rfind("kestrava-registry 1\n", 0), 0u);
    EXPECT_FALSE(fs::exists(path + ".tmp"));
}

TEST_F(FileRegistryTest, KeyPathsIgnoreCaseAfterAReload) {
    const std::string path = PathOf("registry");
    {
        FileRegistry registry(path);
        Registry::Key key = registry.CreateUserKey("Software\\Skype\\Phone");
        registry.WriteString(key, "SkypePath", "C:\\Program Files\\Skype\\Phone\\Skype.exe");
        registry.CloseKey(key);
    }
    FileRegistry registry(path);
    Registry::Key key = registry.OpenUserKey("SOFTWARE\\skype\\PHONE\\");
    ASSERT_NE(key, 0u);
    std::string value;
    EXPECT_TRUE(registry.ReadString(key, "SkypePath", 80, &value));
    EXPECT_EQ(value, "C:\\Program Files\\Skype\\Phone\\Skype.exe");
}

TEST_F(FileRegistryTest, ReadsAreBoundedByTheCallersCapacity) {
    const std::string path = PathOf("registry");
    {
        FileRegistry registry(path);
        Registry::Key key = registry.CreateUserKey("Sound");
        registry.WriteString(key, "Fits", std::string(79, 'a'));
        registry.WriteString(key, "TooLong", std::string(80, 'b'));
        registry.WriteDword(key, "Word", 7);
        registry.CloseKey(key);
    }
    FileRegistry registry(path);
    Registry::Key key = registry.OpenUserKey("Sound");
    std::string value = "unchanged";
    EXPECT_FALSE(registry.ReadString(key, "TooLong", 80, &value));
    EXPECT_FALSE(registry.ReadString(key, "Word", 80, &value));
    EXPECT_EQ(value, "unchanged");
    EXPECT_TRUE(registry.ReadString(key, "Fits", 80, &value));
    EXPECT_EQ(value, std::string(79, 'a'));
}

struct DamagedFile {
    const char* what;
    std::string content;
    Keys expected;
};

class DamagedFileTest : public FileRegistryTest,
                        public ::testing::WithParamInterface<DamagedFile> {};

TEST_P(DamagedFileTest, LoadsWhatItCan) {
    const std::string path = PathOf("registry");
    WriteFile(path, GetParam().content);
    FileRegistry registry(path);
    EXPECT_EQ(registry.Snapshot(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Corrupt, DamagedFileTest,
    ::testing::Values(
        DamagedFile{"Empty", "", {}},
        DamagedFile{"Binary", std::string("\0\xff\x01\n\n\x80K", 7), {}},
        DamagedFile{"ValuesBeforeAnyKey",
                    "S Playback Modem\nK sound\nS Record Mic\n",
                    {{"sound", {{"Record", "Mic"}}}}},
        DamagedFile{"CutLastLine",
                    "K sound\nS Playback Modem\nS Record Onboard\\sMi",
                    {{"sound", {{"Playback", "Modem"}}}}},
        DamagedFile{"BadEscapesAndNumbers",
                    "K sound\nS A bad\\q\nS B cut\\\nS C bad\\x4\nD D 12x\nD E 4294967296\n"
                    "D F -1\nD G \nS H ok\\x41\\s\\\\\nD I 42\n",
                    {{"sound", {{"H", "okA \\"}, {"I", 42u}}}}},
        DamagedFile{"WrongFieldCounts",
                    "K\nK a b\nS x\nK sound\nS Playback\nS A b c\nX A b\nD N 1\n",
                    {{"sound", {{"N", 1u}}}}},
        DamagedFile{"EmptyKeyPathDropsItsValues", "K sound\nK \nS A b\n", {{"sound", {}}}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(FileRegistryTest, AWriteThatCannotBeSavedFails) {
    // The folder cannot be made: a file stands where it should be.
    WriteFile(PathOf("blocker"), "x");
    FileRegistry registry(PathOf("blocker/registry"));
    Registry::Key key = registry.CreateUserKey("Sound");
    ASSERT_NE(key, 0u);
    EXPECT_FALSE(registry.WriteString(key, "Playback", "Modem"));
    EXPECT_FALSE(registry.WriteDword(key, "PreferredOnly", 0));
}

TEST_F(FileRegistryTest, AnOldTemporaryFileIsReplacedAndTheFileKeptWhole) {
    const std::string path = PathOf("registry");
    WriteFile(path + ".tmp", "K half\nS writ");  // left by a crash
    FileRegistry registry(path);
    EXPECT_TRUE(registry.Snapshot().empty());
    Registry::Key key = registry.CreateUserKey("Sound");
    EXPECT_TRUE(registry.WriteString(key, "Playback", "Modem"));
    EXPECT_EQ(ReadFile(path), "kestrava-registry 1\nK sound\nS Playback Modem\n");
    EXPECT_FALSE(fs::exists(path + ".tmp"));
}

TEST_F(FileRegistryTest, KeysAndValuesWrittenFromTwoThreadsAreAllSaved) {
    const std::string path = PathOf("registry");
    {
        FileRegistry registry(path);
        Registry::Key shared = registry.CreateUserKey("Shared");
        std::thread creator([&] {
            for (int i = 0; i < 20; ++i)
                registry.CloseKey(registry.CreateUserKey("Key " + std::to_string(i)));
        });
        for (int i = 0; i < 20; ++i)
            EXPECT_TRUE(registry.WriteDword(shared, "Value " + std::to_string(i), i));
        creator.join();
        registry.CloseKey(shared);
    }
    FileRegistry reloaded(path);
    EXPECT_EQ(reloaded.Snapshot().size(), 21u);
    EXPECT_EQ(reloaded.ValuesOf("shared").size(), 20u);
}

TEST(FileRegistryPath, FollowsTheUsersConfigurationFolder) {
    const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::string savedConfig = oldConfig ? oldConfig : "";
    const std::string savedHome = oldHome ? oldHome : "";

    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(FileRegistry::DefaultPath(), "/cfg/kestrava/registry");
    setenv("XDG_CONFIG_HOME", "", 1);
    EXPECT_EQ(FileRegistry::DefaultPath(), "/home/someone/.config/kestrava/registry");
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("HOME");
    EXPECT_EQ(FileRegistry::DefaultPath(), "");

    if (oldConfig) setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
    if (oldHome) setenv("HOME", savedHome.c_str(), 1);
}

}  // namespace
}  // namespace kestrava
