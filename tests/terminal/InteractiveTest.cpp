// Kestrava --simulate --interactive in a pseudo-terminal: keys typed on the
// terminal ring, answer and end a call, and every way out ends the program
// with exit code 0 and the terminal restored. The screen is watched through
// the program's text dump of its screen model.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

#include "sim/terminal/TerminalFrontEnd.h"

namespace kestrava::terminal {
namespace {

using namespace std::chrono_literals;

constexpr auto kScreenWait = 10s;  // bounded: a slow machine still shows each change well within

class InteractiveProgram {
  public:
    InteractiveProgram() {
        char folder[] = "/tmp/kestrava-interactive-XXXXXX";
        m_folder = mkdtemp(folder) ? folder : "/tmp";
        m_dump = m_folder + "/screen.txt";
        winsize size{};
        size.ws_row = 40;
        size.ws_col = 120;
        m_pid = forkpty(&m_master, nullptr, nullptr, &size);
        if (m_pid == 0) {
            setenv("TERM", "xterm", 1);
            setenv("LC_ALL", "C.UTF-8", 1);
            execl(KESTRAVA_PROGRAM, KESTRAVA_PROGRAM, "--simulate", "--interactive",
                  "--screen-dump", m_dump.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        // The terminal's output is read all along, so that the program never
        // blocks on a full terminal.
        if (m_pid > 0) m_reader = std::thread([this] { Drain(); });
    }
    ~InteractiveProgram() {
        if (m_pid > 0 && !m_exited) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        m_stopReading = true;
        if (m_reader.joinable()) m_reader.join();
        if (m_master >= 0) close(m_master);
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

    bool Started() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }
    void Type(const std::string& keys) {
        ASSERT_EQ(write(m_master, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    }

    std::string Screen() const {
        std::ifstream file(m_dump);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    // The part of the screen under a heading ("LCD", "STATE", "LOG").
    std::string Part(const std::string& screen, const std::string& heading) const {
        auto start = screen.find("== " + heading + "\n");
        if (start == std::string::npos) return {};
        auto end = screen.find("\n== ", start + 1);
        return screen.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }
    // Polls the screen until `shows` holds for it; false when the time is up.
    bool WaitForScreen(const std::function<bool(const std::string&)>& shows) {
        auto deadline = std::chrono::steady_clock::now() + kScreenWait;
        while (std::chrono::steady_clock::now() < deadline) {
            if (shows(Screen())) return true;
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }
    bool WaitForState(const std::string& row) {
        return WaitForScreen(
            [&](const std::string& screen) { return Contains(Part(screen, "STATE"), row); });
    }
    // The exit status once the program has ended; -1 when it does not end in time.
    int WaitForExit() {
        auto deadline = std::chrono::steady_clock::now() + kScreenWait;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_exited = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(20ms);
        }
        return -1;
    }
    std::string TerminalOutput() {
        std::lock_guard lock(m_mutex);
        return m_output;
    }
    static bool Contains(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }

  private:
    void Drain() {
        char buffer[4096];
        while (!m_stopReading) {
            pollfd wait{m_master, POLLIN, 0};
            if (poll(&wait, 1, 50) <= 0) continue;
            ssize_t got = read(m_master, buffer, sizeof buffer);
            if (got <= 0) return;  // the program has gone and closed its side
            std::lock_guard lock(m_mutex);
            m_output.append(buffer, static_cast<std::size_t>(got));
        }
    }

    std::string m_folder, m_dump;
    int m_master = -1;
    pid_t m_pid = -1;
    bool m_exited = false;
    std::atomic<bool> m_stopReading{false};
    std::thread m_reader;
    std::mutex m_mutex;
    std::string m_output;
};

// xterm's sequences for the screen of a full-screen program and for leaving it.
constexpr const char* kEnterScreen = "\x1b[?1049h";
constexpr const char* kLeaveScreen = "\x1b[?1049l";

bool TerminalRestored(const std::string& output) {
    auto entered = output.rfind(kEnterScreen);
    auto left = output.rfind(kLeaveScreen);
    return entered != std::string::npos && left != std::string::npos && left > entered;
}

class InteractiveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!TerminalFrontEnd::Available()) GTEST_SKIP() << "built without ncurses";
        ASSERT_TRUE(program.Started());
        ASSERT_TRUE(program.WaitForState("  link         attached")) << program.Screen();
    }
    InteractiveProgram program;
};

TEST_F(InteractiveTest, ACallFromTheKeyboardRingsIsAnsweredAndEnds) {
    std::string lcdBefore = program.Part(program.Screen(), "LCD");

    program.Type("W");  // 王小明 calls
    ASSERT_TRUE(program.WaitForState("  ringing      RINGING")) << program.Screen();
    // His name: three glyphs of 16 side by side in one band of the LCD (a
    // line of half-width characters is at most 32 wide), and the name the
    // client gave beside it.
    const std::string threeGlyphs = "+" + std::string(48, '-');
    ASSERT_TRUE(program.WaitForScreen([&](const std::string& screen) {
        return InteractiveProgram::Contains(program.Part(screen, "LCD"), threeGlyphs);
    })) << program.Screen();
    std::string lcdRinging = program.Part(program.Screen(), "LCD");
    EXPECT_NE(lcdRinging, lcdBefore);
    EXPECT_TRUE(InteractiveProgram::Contains(lcdRinging, "\u2588") ||
                InteractiveProgram::Contains(lcdRinging, "\u2580"))
        << "the glyphs are drawn as blocks";
    EXPECT_TRUE(program.WaitForState("  call 301     RINGING \xE7\x8E\x8B\xE5\xB0\x8F\xE6\x98\x8E"))
        << program.Screen();

    program.Type("l");  // lift
    ASSERT_TRUE(program.WaitForState("  call         ACTIVE")) << program.Screen();
    EXPECT_TRUE(program.WaitForScreen([](const std::string& screen) {
        return InteractiveProgram::Contains(screen, "SET CALL   301 STATUS INPROGRESS");
    })) << program.Screen();
    EXPECT_TRUE(program.WaitForState("  ringing      no"));

    program.Type("h");  // hang up
    ASSERT_TRUE(program.WaitForState("  call         none")) << program.Screen();
    EXPECT_TRUE(program.WaitForState("  call 301     FINISHED")) << program.Screen();

    program.Type("q");
    EXPECT_EQ(program.WaitForExit(), 0);
    EXPECT_TRUE(TerminalRestored(program.TerminalOutput()));
}

TEST_F(InteractiveTest, TheKeyMapShowsAndHidesWithTheQuestionMark) {
    program.Type("?");
    ASSERT_TRUE(program.WaitForScreen([](const std::string& screen) {
        return InteractiveProgram::Contains(screen, "== KEYS\n");
    }));
    EXPECT_TRUE(InteractiveProgram::Contains(program.Screen(), "To take a call"));
    program.Type("?");
    EXPECT_TRUE(program.WaitForScreen([](const std::string& screen) {
        return !InteractiveProgram::Contains(screen, "== KEYS\n");
    }));
}

// Every way out: the quit key, Ctrl-C at the terminal, SIGTERM from outside.
TEST_F(InteractiveTest, EveryWayOutEndsWithZeroAndRestoresTheTerminal) {
    // One program per way out; this one is used for the first.
    struct Way {
        const char* what;
        std::function<void(InteractiveProgram&)> leave;
    };
    const Way ways[] = {
        {"q", [](InteractiveProgram& p) { p.Type("q"); }},
        {"Ctrl-C", [](InteractiveProgram& p) { p.Type("\x03"); }},
        {"SIGTERM", [](InteractiveProgram& p) { kill(p.Pid(), SIGTERM); }},
    };
    for (const Way& way : ways) {
        InteractiveProgram other;
        InteractiveProgram& p = &way == &ways[0] ? program : other;
        if (&p == &other) {
            ASSERT_TRUE(other.Started());
            ASSERT_TRUE(other.WaitForState("  link         attached")) << way.what;
        }
        way.leave(p);
        EXPECT_EQ(p.WaitForExit(), 0) << way.what;
        EXPECT_TRUE(TerminalRestored(p.TerminalOutput())) << way.what;
    }
}

TEST(InteractiveWithoutTerminal, SaysSoAndRunsAsBefore) {
    char path[] = "/tmp/kestrava-scenario-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const std::string scenario = "0 announce\n500 end\n";
    ASSERT_EQ(write(fd, scenario.data(), scenario.size()), static_cast<ssize_t>(scenario.size()));
    close(fd);
    std::string command = std::string(KESTRAVA_PROGRAM) + " --simulate --interactive --scenario " +
                          path + " --no-handset </dev/null 2>&1";
    FILE* out = popen(command.c_str(), "r");
    ASSERT_NE(out, nullptr);
    std::string text;
    char buffer[4096];
    while (std::size_t got = std::fread(buffer, 1, sizeof buffer, out)) text.append(buffer, got);
    int status = pclose(out);
    std::remove(path);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << text;
    EXPECT_NE(text.find("Kestrava: --interactive needs a terminal; running without it"),
              std::string::npos);
    EXPECT_NE(text.find("SCENARIO END"), std::string::npos) << text;
    EXPECT_NE(text.find("simulation ended"), std::string::npos);
}

}  // namespace
}  // namespace kestrava::terminal
