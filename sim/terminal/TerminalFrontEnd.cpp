// The front end drawn with ncurses.
#include "TerminalFrontEnd.h"

#include <curses.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <fstream>

#include "sim/SimulatedHandset.h"

namespace kestrava::terminal {

namespace {

constexpr int kPanelWidth = 36;  // the state panel beside the LCD
constexpr int kKeyWaitMs = 50;   // how long one read waits for a key
constexpr std::size_t kDumpLogLines = 40;

// The terminal's key as the key map names it; 0 for one it does not know.
int Translate(int ch) {
    switch (ch) {
        case '\n':
        case '\r':
        case KEY_ENTER:
            return key::kEnter;
        case KEY_BACKSPACE:
        case 0x7F:
        case 0x08:
            return key::kBackspace;
        case 0x1B:
            return key::kEscape;
        case KEY_UP:
            return key::kUp;
        case KEY_DOWN:
            return key::kDown;
        case KEY_RIGHT:
            return key::kRight;
        default:
            break;
    }
    if (ch >= KEY_F(1) && ch <= KEY_F(12)) return key::kF1 + (ch - KEY_F(1));
    if (ch >= 0 && ch < 0x80) return ch;
    return 0;
}

// The first bytes of `text` that take at most `width` cells: CJK characters
// take two cells, every other character one.
std::string Fit(const std::string& text, int width) {
    std::size_t at = 0;
    int used = 0;
    while (at < text.size()) {
        unsigned char lead = static_cast<unsigned char>(text[at]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        int cells = lead >= 0xE3 && lead <= 0xE9 ? 2 : 1;  // U+3000..U+9FFF
        if (used + cells > width || at + length > text.size()) break;
        used += cells;
        at += length;
    }
    return text.substr(0, at);
}

void Put(int row, int column, const std::string& text, int width) {
    if (width <= 0) return;
    mvaddstr(row, column, Fit(text, width).c_str());
}

}  // namespace

bool TerminalFrontEnd::Available() {
    return true;
}

TerminalFrontEnd::TerminalFrontEnd(ScreenModel& screen, Peers peers, std::string dumpPath)
    : m_screen(screen),
      m_actions(screen, peers),
      m_handset(peers.handset),
      m_dumpPath(std::move(dumpPath)) {}

TerminalFrontEnd::~TerminalFrontEnd() {
    Stop();
}

bool TerminalFrontEnd::Start(int terminalIn, int terminalOut) {
    if (m_thread.joinable()) return false;
    m_stop = false;
    m_bStartDone = false;
    m_thread = std::thread([this, terminalIn, terminalOut] { Loop(terminalIn, terminalOut); });
    std::unique_lock lock(m_mutex);
    m_started.wait(lock, [this] { return m_bStartDone; });
    if (!m_bStartOk) {
        lock.unlock();
        m_thread.join();
        return false;
    }
    return true;
}

void TerminalFrontEnd::Stop() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
}

void TerminalFrontEnd::Loop(int terminalIn, int terminalOut) {
    // ncurses is not thread-safe: every curses call happens on this thread.
    std::setlocale(LC_CTYPE, "");  // UTF-8 block art and names; numbers stay as they are
    FILE* in = fdopen(dup(terminalIn), "r");
    FILE* out = fdopen(dup(terminalOut), "w");
    SCREEN* terminal = in && out ? newterm(nullptr, out, in) : nullptr;
    {
        std::lock_guard lock(m_mutex);
        m_bStartOk = terminal != nullptr;
        m_bStartDone = true;
    }
    m_started.notify_all();
    if (terminal == nullptr) {
        if (in) std::fclose(in);
        if (out) std::fclose(out);
        return;
    }
    cbreak();  // Ctrl-C stays a signal, which the program's signal watcher takes
    noecho();
    keypad(stdscr, TRUE);
    set_escdelay(25);
    curs_set(0);
    timeout(kKeyWaitMs);
    std::uint64_t drawn = ~std::uint64_t{0};
    bool quitting = false;
    while (!m_stop) {
        m_screen.SetHandset(m_handset ? std::optional(m_handset->CurrentState()) : std::nullopt);
        int ch = ERR;
        if (m_screen.Version() != drawn) {
            drawn = m_screen.Version();
            Draw();
        }
        ch = getch();
        if (ch == KEY_RESIZE) {
            drawn = ~std::uint64_t{0};
            continue;
        }
        if (ch == ERR || quitting) continue;  // after q, keys wait for the program to end
        if (int key = Translate(ch)) quitting = !m_actions.Handle(key);
    }
    endwin();
    delscreen(terminal);
    std::fclose(in);
    std::fclose(out);
}

void TerminalFrontEnd::Draw() {
    int rows = 0, columns = 0;
    getmaxyx(stdscr, rows, columns);
    int lcdWidth = std::max(columns - kPanelWidth - 1, 20);
    std::vector<std::string> lcd = m_screen.LcdLines(lcdWidth);
    std::vector<std::string> state = m_screen.StateLines();
    // The top takes at most two thirds of the rows; the log the rest.
    int top = std::min<int>(static_cast<int>(std::max(lcd.size(), state.size())), rows * 2 / 3);
    erase();
    for (int row = 0; row < top; ++row) {
        if (row < static_cast<int>(lcd.size()))
            Put(row, 0, lcd[static_cast<std::size_t>(row)], lcdWidth);
        if (row < static_cast<int>(state.size()))
            Put(row, lcdWidth + 1, state[static_cast<std::size_t>(row)], columns - lcdWidth - 1);
    }
    bool help = m_screen.HelpShown();
    Put(top, 0, help ? "-- keys (? hides them) " : "-- log ", columns);
    int room = std::max(rows - top - 1, 0);
    std::vector<std::string> bottom =
        help ? KeyMapText() : m_screen.LogLines(static_cast<std::size_t>(room));
    for (int i = 0; i < room && i < static_cast<int>(bottom.size()); ++i)
        Put(top + 1 + i, 0, bottom[static_cast<std::size_t>(i)], columns);
    refresh();
    WriteDump(lcdWidth);
}

void TerminalFrontEnd::WriteDump(int lcdWidth) const {
    if (m_dumpPath.empty()) return;
    // Written aside and renamed, so that a reader never sees half a screen.
    std::string aside = m_dumpPath + ".new";
    {
        std::ofstream file(aside, std::ios::trunc);
        file << m_screen.Dump(lcdWidth, kDumpLogLines);
        if (!file) return;
    }
    std::rename(aside.c_str(), m_dumpPath.c_str());
}

}  // namespace kestrava::terminal
