// Kestrava.exe and the simulated Skype client run as two programs on one
// desktop; the test drives them from outside, as a person and the client would.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

std::string BinaryFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text = path;
    return text.substr(0, text.find_last_of('\\') + 1);
}

class Process {
public:
    explicit Process(const std::string& commandLine) {
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        std::string line = commandLine;
        m_started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   BinaryFolder().c_str(), &startup, &m_info) != FALSE;
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
        if (WaitForSingleObject(m_info.hProcess, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
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

std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Index of the first line equal to `wanted` at or after `from`; -1 if none.
long Find(const std::vector<std::string>& lines, const std::string& wanted, long from = 0) {
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

HWND KestravaWindow() { return FindWindowA("MainWndClass", "SkypeForWindow"); }

TEST(LinkEndToEnd, AttachesRefusesASecondCopyAndDetachesOnExit) {
    const std::string log = BinaryFolder() + "e2e-skype-log.txt";
    DeleteFileA(log.c_str());

    Process kestrava("Kestrava.exe");
    ASSERT_TRUE(kestrava.Started());
    ASSERT_TRUE(WaitUntil([] { return KestravaWindow() != nullptr; }, 20s))
        << "Kestrava's main window never appeared";

    // The client starts after Kestrava and announces that its API is available.
    Process skype("SkypeSim.exe --announce --log \"" + log + "\"");
    ASSERT_TRUE(skype.Started());

    ASSERT_TRUE(WaitUntil([&] {
        auto lines = ReadLines(log);
        return Find(lines, "COMMAND GET USERSTATUS") >= 0;
    }, 20s)) << "the attach set-up never reached the client";
    auto lines = ReadLines(log);
    long announce = Find(lines, "ANNOUNCE");
    long discover = -1;
    for (long i = 0; i < static_cast<long>(lines.size()); ++i) {
        if (lines[i].rfind("DISCOVER 0x", 0) == 0) {
            discover = i;
            break;
        }
    }
    long attach = Find(lines, "ATTACH 0");
    long protocol = Find(lines, "COMMAND PROTOCOL 5");
    long userStatus = Find(lines, "COMMAND GET USERSTATUS");
    EXPECT_GE(announce, 0);
    EXPECT_GT(discover, announce) << "Kestrava did not broadcast Discover after the announcement";
    EXPECT_GT(attach, discover);
    EXPECT_GT(protocol, attach);
    EXPECT_GT(userStatus, protocol);

    // A second copy finds the first one's window and ends at once with code 0.
    Process second("Kestrava.exe");
    ASSERT_TRUE(second.Started());
    EXPECT_EQ(second.WaitForExit(20s), 0);
    EXPECT_TRUE(kestrava.Running());

    // Exit from the tray menu: the audio goes back to the client's defaults,
    // Discover goes out with a null window, and the program ends with code 0.
    HWND window = KestravaWindow();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_COMMAND, 40001, 0);
    EXPECT_EQ(kestrava.WaitForExit(20s), 0);

    ASSERT_TRUE(WaitUntil([&] { return Find(ReadLines(log), "DISCOVER null") >= 0; }, 10s));
    lines = ReadLines(log);
    long audioIn = Find(lines, "COMMAND SET AUDIO_IN", userStatus);
    long audioOut = Find(lines, "COMMAND SET AUDIO_OUT", userStatus);
    long ringer = Find(lines, "COMMAND SET RINGER", userStatus);
    long detach = Find(lines, "DISCOVER null");
    EXPECT_GT(audioIn, userStatus);
    EXPECT_GT(audioOut, audioIn);
    EXPECT_GT(ringer, audioOut);
    EXPECT_GT(detach, ringer);

    HWND api = FindWindowA("SkypeSimApiWindow", nullptr);
    if (api) PostMessageA(api, WM_CLOSE, 0, 0);
    EXPECT_EQ(skype.WaitForExit(10s), 0);
}

}  // namespace
