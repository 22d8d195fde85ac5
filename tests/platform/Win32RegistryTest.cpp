// Runs against the real registry (Wine's under the cross build), in a key of
// its own that it removes again.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/win32/Win32Registry.h"

namespace kestrava {
namespace {

class Win32RegistryTest : public ::testing::Test {
  protected:
    Win32RegistryTest()
        : m_path("Software\\Kestrava Tests\\Registry " + std::to_string(GetCurrentProcessId())) {}
    ~Win32RegistryTest() override {
        for (Registry::Key key : m_open) registry.CloseKey(key);
        std::wstring wide(m_path.begin(), m_path.end());
        RegDeleteKeyW(HKEY_CURRENT_USER, wide.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Kestrava Tests");
    }
    Registry::Key Created() { return Keep(registry.CreateUserKey(m_path)); }
    Registry::Key Keep(Registry::Key key) {
        if (key) m_open.push_back(key);
        return key;
    }

    Win32Registry registry;
    std::string m_path;
    std::vector<Registry::Key> m_open;
};

TEST_F(Win32RegistryTest, AMissingKeyDoesNotOpen) {
    EXPECT_EQ(registry.OpenUserKey(m_path), 0u);
}

TEST_F(Win32RegistryTest, TextsWrittenAreReadBackThroughAnyCaseOfThePath) {
    Registry::Key key = Created();
    ASSERT_NE(key, 0u);
    const std::string name = "Lautsprecher (Realtek) \xC3\xA4\xE5\x96\x87";
    EXPECT_TRUE(registry.WriteString(key, "Playback", name));
    EXPECT_TRUE(registry.WriteString(key, "Empty", ""));

    std::string upper = m_path;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    Registry::Key again = Keep(registry.OpenUserKey(upper));
    ASSERT_NE(again, 0u);
    std::string value;
    EXPECT_TRUE(registry.ReadString(again, "Playback", 80, &value));
    EXPECT_EQ(value, name);
    EXPECT_TRUE(registry.ReadString(again, "Empty", 1, &value));
    EXPECT_EQ(value, "");
    EXPECT_FALSE(registry.ReadString(again, "Missing", 80, &value));
}

// The limit counts what the system stores: a device name of 31 Chinese
// characters (93 UTF-8 bytes) fits the 32 units the system gives it.
TEST_F(Win32RegistryTest, ReadsAreBoundedInUtf16Units) {
    Registry::Key key = Created();
    ASSERT_NE(key, 0u);
    std::string cjk31;
    for (int i = 0; i < 31; ++i) cjk31 += "\xE5\x96\x87";  // 喇
    // Outside the basic plane a character takes two units: 30 and the zero.
    std::string pairs = "\xF0\x9F\x93\x9E";  // one pair
    for (int i = 0; i < 14; ++i) pairs += "\xF0\x9F\x93\x9E";
    registry.WriteString(key, "Cjk", cjk31);
    registry.WriteString(key, "Pairs", pairs);

    struct Case {
        const char* name;
        std::size_t capacity;
        bool fits;
        const std::string& stored;
    } cases[] = {
        {"Cjk", 32, true, cjk31},
        {"Cjk", 31, false, cjk31},
        {"Pairs", 31, true, pairs},
        {"Pairs", 30, false, pairs},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " in " + std::to_string(c.capacity));
        std::string value = "unchanged";
        EXPECT_EQ(registry.ReadString(key, c.name, c.capacity, &value), c.fits);
        EXPECT_EQ(value, c.fits ? c.stored : "unchanged");
    }
}

TEST_F(Win32RegistryTest, TextsStoredWithoutTheirZeroOrWithAnOddLengthEndWhereTheDataEnds) {
    Registry::Key key = Created();
    ASSERT_NE(key, 0u);
    HKEY system = reinterpret_cast<HKEY>(key);
    const wchar_t text[] = L"Modem";
    RegSetValueExW(system, L"NoZero", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   5 * sizeof(wchar_t));
    RegSetValueExW(system, L"Odd", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   5 * sizeof(wchar_t) + 1);
    const wchar_t zeros[] = L"Mic\0\0\0";
    RegSetValueExW(system, L"ExtraZeros", 0, REG_SZ, reinterpret_cast<const BYTE*>(zeros),
                   sizeof(zeros));

    std::string value;
    EXPECT_TRUE(registry.ReadString(key, "NoZero", 80, &value));
    EXPECT_EQ(value, "Modem");
    EXPECT_TRUE(registry.ReadString(key, "Odd", 80, &value));
    EXPECT_EQ(value, "Modem");
    EXPECT_TRUE(registry.ReadString(key, "ExtraZeros", 4, &value));
    EXPECT_EQ(value, "Mic");
}

TEST_F(Win32RegistryTest, WordsAndTextsKeepTheirTypes) {
    Registry::Key key = Created();
    ASSERT_NE(key, 0u);
    EXPECT_TRUE(registry.WriteDword(key, "SetupPreferredAudioDevicesCount", 3));
    EXPECT_TRUE(registry.WriteString(key, "Playback", "Modem"));

    std::uint32_t word = 0;
    EXPECT_TRUE(registry.ReadDword(key, "SetupPreferredAudioDevicesCount", &word));
    EXPECT_EQ(word, 3u);
    EXPECT_FALSE(registry.ReadDword(key, "Playback", &word));
    std::string value = "unchanged";
    EXPECT_FALSE(registry.ReadString(key, "SetupPreferredAudioDevicesCount", 80, &value));
    EXPECT_EQ(value, "unchanged");

    DWORD type = 0, bytes = 0;
    RegQueryValueExW(reinterpret_cast<HKEY>(key), L"Playback", nullptr, &type, nullptr, &bytes);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(bytes, 6 * sizeof(wchar_t));  // the terminating zero is stored
}

TEST_F(Win32RegistryTest, ExpandableTextsComeExpanded) {
    Registry::Key key = Created();
    ASSERT_NE(key, 0u);
    ASSERT_TRUE(SetEnvironmentVariableW(L"KESTRAVA_TEST_APPS", L"D:\\\x7A0B\x5E8F Files"));
    const wchar_t stored[] = L"%KESTRAVA_TEST_APPS%\\Phone\\Skype.exe";
    ASSERT_EQ(RegSetValueExW(reinterpret_cast<HKEY>(key), L"SkypePath", 0, REG_EXPAND_SZ,
                             reinterpret_cast<const BYTE*>(stored), sizeof stored),
              ERROR_SUCCESS);
    std::string value;
    EXPECT_TRUE(registry.ReadString(key, "SkypePath", 255, &value));
    EXPECT_EQ(value, "D:\\\xE7\xA8\x8B\xE5\xBA\x8F Files\\Phone\\Skype.exe");
    // The capacity counts the expanded text in UTF-16 units, its zero too.
    const std::size_t units = std::wstring(L"D:\\\x7A0B\x5E8F Files\\Phone\\Skype.exe").size();
    EXPECT_FALSE(registry.ReadString(key, "SkypePath", units, &value));
    EXPECT_TRUE(registry.ReadString(key, "SkypePath", units + 1, &value));
    SetEnvironmentVariableW(L"KESTRAVA_TEST_APPS", nullptr);
}

// A key whose access list lets everyone read and nobody write.
TEST_F(Win32RegistryTest, AKeyThatMayOnlyBeReadOpensForReading) {
    ASSERT_NE(Created(), 0u);
    const std::string path = m_path + "\\Read Only";
    const std::wstring wide(path.begin(), path.end());
    // Whatever happens, everyone may do everything again and the key goes.
    struct Removal {
        std::wstring path;
        ~Removal() {
            HKEY key = nullptr;
            if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, WRITE_DAC, &key) == 0) {
                SECURITY_DESCRIPTOR open;
                InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
                SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);
                RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &open);
                RegCloseKey(key);
            }
            RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str());
        }
    } removal{wide};
    Registry::Key key = registry.CreateUserKey(path);
    ASSERT_NE(key, 0u);
    EXPECT_TRUE(registry.WriteString(key, "SkypePath", "C:\\Skype.exe"));
    registry.CloseKey(key);

    SECURITY_DESCRIPTOR descriptor;
    ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    alignas(ACL) BYTE aclBytes[256];
    auto* acl = reinterpret_cast<ACL*>(aclBytes);
    ASSERT_TRUE(InitializeAcl(acl, sizeof aclBytes, ACL_REVISION));
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    ASSERT_TRUE(
        AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
    const bool added = AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone);
    FreeSid(everyone);
    ASSERT_TRUE(added);
    ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE));
    HKEY owned = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, wide.c_str(), 0, WRITE_DAC, &owned), ERROR_SUCCESS);
    EXPECT_EQ(RegSetKeySecurity(owned, DACL_SECURITY_INFORMATION, &descriptor), ERROR_SUCCESS);
    RegCloseKey(owned);

    EXPECT_EQ(Keep(registry.OpenUserKey(path)), 0u) << "writing is not allowed";
    Registry::Key readable = Keep(registry.OpenUserKeyForReading(path));
    ASSERT_NE(readable, 0u);
    std::string value;
    EXPECT_TRUE(registry.ReadString(readable, "SkypePath", 255, &value));
    EXPECT_EQ(value, "C:\\Skype.exe");
    registry.CloseKey(readable);
    m_open.pop_back();
}

}  // namespace
}  // namespace kestrava
