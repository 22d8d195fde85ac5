// Windows programs started and watched from a test: the end-to-end tests and
// the installer's test drive Kestrava.exe and the simulated client this way.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace kestrava::e2e {

using namespace std::chrono_literals;

// The folder of the running test program, with its trailing backslash.
inline std::string BinaryFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text = path;
    return text.substr(0, text.find_last_of('\\') + 1);
}

class Process {
  public:
    // With `outputFile`, the program's standard output goes to that file. The
    // program starts in `folder`, by default the one of the test programs.
    explicit Process(const std::string& commandLine, const std::string& outputFile = {},
                     const std::string& folder = BinaryFolder()) {
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        HANDLE output = INVALID_HANDLE_VALUE;
        if (!outputFile.empty()) {
            SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
            output =
                CreateFileA(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdOutput = output;
            startup.hStdError = output;
            startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        }
        std::string line = commandLine;
        m_started =
            CreateProcessA(nullptr, line.data(), nullptr, nullptr, output != INVALID_HANDLE_VALUE,
                           0, nullptr, folder.c_str(), &startup, &m_info) != FALSE;
        if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
    }
    ~Process() {
        if (!m_started) return;
        if (Running()) TerminateProcess(m_info.hProcess, 1);
        CloseHandle(m_info.hThread);
        CloseHandle(m_info.hProcess);
    }
    bool Started() const { return m_started; }
    bool Running() const { return WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT; }
    // The exit code, or -1 when the program is still running after `timeout`.
    long WaitForExit(std::chrono::milliseconds timeout) const {
        if (WaitForSingleObject(m_info.hProcess, static_cast<DWORD>(timeout.count())) !=
            WAIT_OBJECT_0) {
            return -1;
        }
        DWORD code = 0;
        GetExitCodeProcess(m_info.hProcess, &code);
        return static_cast<long>(code);
    }

  private:
    PROCESS_INFORMATION m_info{};
    bool m_started = false;
};

inline std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Index of the first line equal to `wanted` at or after `from`; -1 if none.
inline long Find(const std::vector<std::string>& lines, const std::string& wanted, long from = 0) {
    for (long i = from; i < static_cast<long>(lines.size()); ++i) {
        if (lines[i] == wanted) return i;
    }
    return -1;
}

template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition()) return true;
        std::this_thread::sleep_for(50ms);
    }
    return condition();
}

inline HWND KestravaWindow() {
    return FindWindowA("MainWndClass", "SkypeForWindow");
}

// Exit from the tray menu; the simulated client is closed afterwards.
inline void ExitBoth(const Process& kestrava, const Process& skype) {
    HWND window = KestravaWindow();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_COMMAND, 40001, 0);
    EXPECT_EQ(kestrava.WaitForExit(20s), 0);
    HWND api = FindWindowA("SkypeSimApiWindow", nullptr);
    if (api) PostMessageA(api, WM_CLOSE, 0, 0);
    EXPECT_EQ(skype.WaitForExit(10s), 0);
}

}  // namespace kestrava::e2e
