// The setting a Windows test run claims to be in: a run in the users' setting
// (tools/test-all.sh's Chinese passes) names the ANSI code page it expects and
// the folder it copied the programs into; this checks Wine really gave both,
// so a pass that silently ran in English from an ASCII folder fails.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/win32/WideText.h"

namespace kestrava {
namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

TEST(Win32Setting, TheRunIsInTheCodePageAndFolderItNames) {
    const std::string codePage = Environment("KESTRAVA_EXPECT_ACP");
    const std::string folder = Environment("KESTRAVA_WINE_FOLDER");
    if (codePage.empty() && folder.empty()) GTEST_SKIP() << "an ordinary run names no setting";
    if (!codePage.empty()) {
        EXPECT_EQ(GetACP(), static_cast<UINT>(std::stoul(codePage)));
    }
    if (!folder.empty()) {
        wchar_t path[MAX_PATH * 2] = {};
        const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
        ASSERT_GT(length, 0u);
        // The variable crosses from the host as UTF-8 bytes in the process's
        // own environment; read it wide so the code page does not matter.
        wchar_t wideFolder[MAX_PATH] = {};
        ASSERT_GT(GetEnvironmentVariableW(L"KESTRAVA_WINE_FOLDER", wideFolder, MAX_PATH), 0u);
        const std::string modulePath = WideToUtf8(path, static_cast<std::size_t>(length));
        EXPECT_NE(std::wstring(path, length).find(std::wstring(L"\\") + wideFolder + L"\\"),
                  std::wstring::npos)
            << modulePath;
    }
}

}  // namespace
}  // namespace kestrava
