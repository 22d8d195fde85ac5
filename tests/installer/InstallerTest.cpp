// Kestrava-setup.exe in a Windows prefix of its own: a silent install puts
// every file in place, the installed program attaches to the simulated
// client, and the uninstaller takes away what was installed and nothing else.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/e2e/Processes.h"

namespace {

using namespace kestrava::e2e;

const char* const kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const kUninstallKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kestrava";

const char* const kShippedFiles[] = {
    "Kestrava.exe", "Ondrel.dll", "Glyvar.dll", "TIF0.bin",   "TIF6.bin",   "TIF2.bin",
    "TCF0.bin",     "TCF6.bin",   "TCF2.bin",   "TI0Inv.bin", "TI6Inv.bin", "TI2Inv.bin",
};

std::string Installer() {
    return BinaryFolder() + "..\\Kestrava-setup.exe";
}

std::string KnownFolder(int id) {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::string Shortcut() {
    return KnownFolder(CSIDL_PROGRAMS) + "\\Kestrava.lnk";
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

long long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The names of the files in `folder` that match `pattern`.
std::vector<std::string> FilesIn(const std::string& folder, const std::string& pattern = "*") {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((folder + "\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

// Everything the installer puts into its folder: the program, its libraries
// and font files, the icons the build made, the settings and the uninstaller.
std::vector<std::string> InstalledFiles() {
    std::vector<std::string> names(std::begin(kShippedFiles), std::end(kShippedFiles));
    for (const auto& icon : FilesIn(BinaryFolder(), "*.ico")) names.push_back(icon);
    names.push_back("Pellanor.ini");
    names.push_back("Uninstall.exe");
    return names;
}

// The current user's text value, or "(none)".
std::string UserValue(const char* key, const char* name) {
    char value[1024] = {};
    DWORD size = sizeof(value);
    if (RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS) {
        return "(none)";
    }
    return value;
}

long RunToEnd(const std::string& commandLine) {
    Process process(commandLine);
    EXPECT_TRUE(process.Started()) << commandLine;
    return process.WaitForExit(60s);
}

// The uninstaller normally copies itself away and returns at once; run from
// a copy with _?= it works in place and its end is the uninstall's end.
long Uninstall(const std::string& folder) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string copy = std::string(temp) + "KestravaUninstallCopy.exe";
    EXPECT_TRUE(CopyFileA((folder + "\\Uninstall.exe").c_str(), copy.c_str(), FALSE));
    long code = RunToEnd("\"" + copy + "\" /S _?=" + folder);
    DeleteFileA(copy.c_str());
    return code;
}

std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Kestrava from its install folder, then the client announcing its API: the
// attach set-up reaches the client; both end cleanly.
void ExpectAttach(const std::string& folder) {
    const std::string log = BinaryFolder() + "installer-skype-log.txt";
    DeleteFileA(log.c_str());
    Process kestrava("\"" + folder + "\\Kestrava.exe\"", {}, folder);
    ASSERT_TRUE(kestrava.Started());
    ASSERT_TRUE(WaitUntil([] { return KestravaWindow() != nullptr; }, 20s))
        << "the installed program's window never appeared";
    Process skype("SkypeSim.exe --announce --log \"" + log + "\"");
    ASSERT_TRUE(skype.Started());
    EXPECT_TRUE(WaitUntil([&] { return Find(ReadLines(log), "COMMAND GET USERSTATUS") >= 0; }, 20s))
        << "the installed program did not attach";
    ExitBoth(kestrava, skype);
}

TEST(Installer, InstallsRunsAndUninstallsOnlyWhatItInstalled) {
    ASSERT_TRUE(Exists(Installer())) << Installer();
    ASSERT_EQ(RunToEnd("\"" + Installer() + "\" /S /LOGON"), 0);

    const std::string folder = KnownFolder(CSIDL_LOCAL_APPDATA) + "\\Programs\\Kestrava";
    for (const auto& name : InstalledFiles()) {
        EXPECT_TRUE(Exists(folder + "\\" + name)) << name;
    }
    for (const char* name : kShippedFiles) {
        EXPECT_EQ(FileSize(folder + "\\" + name), FileSize(BinaryFolder() + name)) << name;
    }
    // Once the build makes icons, the settings name files that were installed.
    if (!FilesIn(BinaryFolder(), "*.ico").empty()) {
        for (const char* key : {"FileNoHW", "FileNoANY", "FileNoSkype", "FileActive"}) {
            char name[MAX_PATH] = {};
            GetPrivateProfileStringA("ICON", key, "", name, MAX_PATH,
                                     (folder + "\\Pellanor.ini").c_str());
            EXPECT_TRUE(Exists(folder + "\\" + name)) << key << "=" << name;
        }
    }
    EXPECT_TRUE(Exists(Shortcut()));
    EXPECT_EQ(UserValue(kRunKey, "Kestrava"), "\"" + folder + "\\Kestrava.exe\"");
    EXPECT_EQ(UserValue(kUninstallKey, "InstallLocation"), folder);

    ExpectAttach(folder);

    // An update keeps the settings the user edited; a file of the user's own
    // is left where it is by the uninstaller.
    const std::string settings = folder + "\\Pellanor.ini";
    const std::string edited = ReadAll(settings) + "; edited by the user\r\n";
    Write(settings, edited);
    ASSERT_EQ(RunToEnd("\"" + Installer() + "\" /S"), 0);
    EXPECT_EQ(ReadAll(settings), edited);
    Write(folder + "\\notes.txt", "mine");

    ASSERT_EQ(Uninstall(folder), 0);
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"notes.txt"});
    EXPECT_FALSE(Exists(Shortcut()));
    EXPECT_EQ(UserValue(kRunKey, "Kestrava"), "(none)");
    EXPECT_EQ(UserValue(kUninstallKey, "InstallLocation"), "(none)");
    DeleteFileA((folder + "\\notes.txt").c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST(Installer, InstallsIntoAGivenFolderAndRemovesItWhenNothingElseIsLeft) {
    ASSERT_TRUE(Exists(Installer())) << Installer();
    const std::string folder = "C:\\Kestrava Given Folder";
    ASSERT_EQ(RunToEnd("\"" + Installer() + "\" /S /D=" + folder), 0);
    for (const auto& name : InstalledFiles()) {
        EXPECT_TRUE(Exists(folder + "\\" + name)) << name;
    }
    EXPECT_EQ(UserValue(kRunKey, "Kestrava"), "(none)") << "start at log-on is not chosen";

    // A start at log-on that is not this copy's is not the uninstaller's to remove.
    const std::string other = "\"D:\\Elsewhere\\Kestrava.exe\"";
    RegSetKeyValueA(HKEY_CURRENT_USER, kRunKey, "Kestrava", REG_SZ, other.c_str(),
                    static_cast<DWORD>(other.size() + 1));

    ASSERT_EQ(Uninstall(folder), 0);
    EXPECT_FALSE(Exists(folder));
    EXPECT_FALSE(Exists(Shortcut()));
    EXPECT_EQ(UserValue(kRunKey, "Kestrava"), other);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kRunKey, "Kestrava");
}

}  // namespace
