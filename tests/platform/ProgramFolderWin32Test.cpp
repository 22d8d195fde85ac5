// The program's folder as the installer may place it, under a user named in
// Chinese characters: this test copies itself into such a folder, beside a
// file, and runs the copy, which checks from there that the path it is given
// names it exactly and that the files beside it open through that path, in
// whatever code page the system runs.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Adapters.h"
#include "platform/win32/Win32Tray.h"

namespace kestrava {
namespace {

constexpr wchar_t kChildVariable[] = L"KESTRAVA_PROGRAM_FOLDER_CHILD";
constexpr char kProbeText[] = "beside the program";

std::wstring ModulePath() {
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), 32768);
    path.resize(length);
    return path;
}

bool IsChild() {
    wchar_t value[4] = {};
    return GetEnvironmentVariableW(kChildVariable, value, 4) > 0;
}

// Runs in the copy only.
TEST(ProgramFolderWin32, TheCopyFindsItselfAndTheFilesBesideIt) {
    if (!IsChild()) GTEST_SKIP() << "runs in the copy the next test makes";
    Win32ModuleLoader modules;
    const std::string path = modules.ExecutablePath();
    EXPECT_EQ(Utf8ToWide(path), ModulePath());

    const std::string probe = FileInFolder(DirectoryOf(path), "probe.txt");
    std::FILE* file = OpenFile(probe, "rb");
    ASSERT_NE(file, nullptr) << probe;
    char text[64] = {};
    const std::size_t read = std::fread(text, 1, sizeof(text) - 1, file);
    std::fclose(file);
    EXPECT_EQ(std::string(text, read), kProbeText);
    // The settings file is read through a stream.
    std::ifstream stream(PathFromUtf8(probe), std::ios::binary);
    std::string line;
    EXPECT_TRUE(std::getline(stream, line));
    EXPECT_EQ(line, kProbeText);

    Win32NotifyArea tray;
    const NotifyArea::IconHandle icon =
        tray.LoadIconFile(FileInFolder(DirectoryOf(path), "probe.ico"));
    EXPECT_NE(icon, 0u);
    if (icon) tray.DestroyIcon(icon);
}

// A 16 x 16 icon of one colour: the icon directory, one entry, and its
// bitmap (header, 32-bit pixels, the AND mask).
std::string SmallIcon() {
    std::string bitmap(40, '\0');
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bitmap[at + i] = static_cast<char>(v >> (8 * i));
    };
    put32(0, 40);
    put32(4, 16);
    put32(8, 32);  // both halves: the colour and the mask
    bitmap[12] = 1;
    bitmap[14] = 32;
    bitmap += std::string(16 * 16 * 4, '\x7F');
    bitmap += std::string(16 * 4, '\0');
    std::string icon = std::string("\0\0\1\0\1\0", 6);
    icon += std::string("\x10\x10\0\0\1\0\x20\0", 8);
    const std::uint32_t size = static_cast<std::uint32_t>(bitmap.size());
    for (int i = 0; i < 4; ++i) icon += static_cast<char>(size >> (8 * i));
    const std::uint32_t offset = 6 + 16;
    for (int i = 0; i < 4; ++i) icon += static_cast<char>(offset >> (8 * i));
    return icon + bitmap;
}

bool WriteFile(const std::wstring& path, const std::string& content) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok =
        ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == content.size();
}

TEST(ProgramFolderWin32, RunsFromAFolderNamedInChineseCharacters) {
    if (IsChild()) GTEST_SKIP() << "the copy does not copy itself again";
    wchar_t temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring folder = std::wstring(temp) + L"Kestrava \u738B\u5C0F\u660E M\u00FCller " +
                                std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring copy = folder + L"\\platform_tests.exe";
    ASSERT_TRUE(CopyFileW(ModulePath().c_str(), copy.c_str(), FALSE));
    ASSERT_TRUE(WriteFile(folder + L"\\probe.txt", kProbeText));
    ASSERT_TRUE(WriteFile(folder + L"\\probe.ico", SmallIcon()));

    std::wstring command = L"\"" + copy +
                           L"\" --gtest_filter=ProgramFolderWin32."
                           L"TheCopyFindsItselfAndTheFilesBesideIt";
    SetEnvironmentVariableW(kChildVariable, L"1");
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(copy.c_str(), command.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, folder.c_str(), &startup, &process);
    SetEnvironmentVariableW(kChildVariable, nullptr);
    DWORD exitCode = 99;
    if (started) {
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    for (const wchar_t* name : {L"\\platform_tests.exe", L"\\probe.txt", L"\\probe.ico"})
        DeleteFileW((folder + name).c_str());
    RemoveDirectoryW(folder.c_str());
    ASSERT_TRUE(started);
    EXPECT_EQ(exitCode, 0u) << "the copy failed (its output is above)";
}

}  // namespace
}  // namespace kestrava
