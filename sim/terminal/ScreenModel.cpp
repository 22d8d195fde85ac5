#include "ScreenModel.h"

#include <charconv>
#include <iterator>
#include <sstream>

#include "sim/LcdArt.h"
#include "sim/terminal/KeyMap.h"

namespace kestrava::terminal {

namespace {

using State = sim::HandsetFirmware::State;
using ListMode = sim::HandsetFirmware::ListMode;

const char* StatusSymbolName(std::uint8_t symbol) {
    switch (symbol) {
        case 0x72:
            return "do not disturb";
        case 0x73:
            return "online";
        case 0x74:
        case 0x07:
            return "offline";
        case 0x75:
            return "Skype me";
        case 0x76:
            return "away";
        case 0x77:
            return "not available";
        case 0x78:
            return "invisible";
        default:
            return "-";
    }
}

const char* ListModeName(ListMode mode) {
    switch (mode) {
        case ListMode::Contacts:
            return "contacts";
        case ListMode::Calls:
            return "calls";
        default:
            return "none";
    }
}

std::string Row(const std::string& name, const std::string& value) {
    std::string row = "  " + name;
    if (row.size() < 15) row.resize(15, ' ');
    return row + value;
}

std::vector<std::string> Words(const std::string& text, std::size_t count) {
    // The first count - 1 words, then the rest of the line as one word.
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < text.size() && words.size() + 1 < count) {
        std::size_t end = text.find(' ', at);
        if (end == std::string::npos) end = text.size();
        words.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    if (at < text.size()) words.push_back(text.substr(at));
    return words;
}

// A line of the HID library's trace of the reports to and from the handset.
bool IsReportLine(const std::string& line) {
    return line.find("] handset MCU") != std::string::npos ||
           line.find("] handset   (the same report") != std::string::npos;
}

}  // namespace

bool ScreenModel::Call::Live() const {
    static const char* const kLive[] = {"",           "ROUTING", "RINGING",   "EARLYMEDIA",
                                        "INPROGRESS", "ONHOLD",  "LOCALHOLD", "REMOTEHOLD"};
    for (const char* word : kLive) {
        if (status == word) return true;
    }
    return false;
}

void ScreenModel::SetHandset(const std::optional<State>& state) {
    std::lock_guard lock(m_mutex);
    if (state == m_handset) return;
    m_handset = state;
    ChangedLocked();
}

void ScreenModel::AddLog(const std::string& text) {
    std::lock_guard lock(m_mutex);
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        m_log.push_back(line);
        if (m_log.size() > kLogCapacity) m_log.pop_front();
    }
    ChangedLocked();
}

ScreenModel::Call& ScreenModel::CallLocked(int id) {
    auto [it, added] = m_calls.try_emplace(id);
    if (added) {
        it->second.id = id;
        m_callOrder.push_back(id);
    }
    return it->second;
}

void ScreenModel::NoteCall(int id, const std::string& handle) {
    std::lock_guard lock(m_mutex);
    CallLocked(id).handle = handle;
    ChangedLocked();
}

void ScreenModel::OnClientEntry(const std::string& entry) {
    std::lock_guard lock(m_mutex);
    if (entry.rfind("ATTACH ", 0) == 0) {
        m_linkStatus = entry == "ATTACH 0" ? "attached" : "attach " + entry.substr(7);
        ChangedLocked();
        return;
    }
    if (entry.rfind("NOTIFY ", 0) != 0) return;
    std::vector<std::string> words = Words(entry.substr(7), 4);
    if (words.size() == 2 && words[0] == "USERSTATUS") {
        m_userStatus = words[1];
    } else if (words.size() == 2 && words[0] == "CONNSTATUS") {
        m_connectionStatus = words[1];
    } else if (words.size() == 4 && words[0] == "CALL") {
        int id = 0;
        const char* end = words[1].data() + words[1].size();
        auto [at, error] = std::from_chars(words[1].data(), end, id);
        if (error != std::errc() || at != end) return;  // not a call line the client sends
        Call& call = CallLocked(id);
        if (words[2] == "STATUS") call.status = words[3];
        if (words[2] == "PARTNER_HANDLE") call.handle = words[3];
        if (words[2] == "PARTNER_DISPNAME") call.name = words[3];
    } else {
        return;
    }
    ChangedLocked();
}

void ScreenModel::ToggleHelp() {
    std::lock_guard lock(m_mutex);
    m_bHelp = !m_bHelp;
    ChangedLocked();
}

void ScreenModel::ToggleReports() {
    std::lock_guard lock(m_mutex);
    m_bReports = !m_bReports;
    ChangedLocked();
}

bool ScreenModel::HelpShown() const {
    std::lock_guard lock(m_mutex);
    return m_bHelp;
}

std::optional<ScreenModel::Call> ScreenModel::NewestLiveCall() const {
    std::lock_guard lock(m_mutex);
    for (auto id = m_callOrder.rbegin(); id != m_callOrder.rend(); ++id) {
        const Call& call = m_calls.at(*id);
        if (call.Live()) return call;
    }
    return std::nullopt;
}

std::string ScreenModel::UserStatus() const {
    std::lock_guard lock(m_mutex);
    return m_userStatus;
}

std::uint64_t ScreenModel::Version() const {
    std::lock_guard lock(m_mutex);
    return m_version;
}

std::vector<std::string> ScreenModel::LcdLines(int width) const {
    std::lock_guard lock(m_mutex);
    if (!m_handset) return {"LCD: no handset"};
    std::vector<std::string> lines{"LCD, " + std::to_string(sim::LcdColumns(m_handset->lcd)) +
                                   " of " + std::to_string(sim::HandsetFirmware::kColumns) +
                                   " columns:"};
    // Half-width characters one character wide, so that a whole line fits.
    for (std::string& line : sim::DrawLcdCells(m_handset->lcd, {width - 2, 1}))
        lines.push_back(std::move(line));
    return lines;
}

std::vector<std::string> ScreenModel::StateLines() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> lines{"Handset"};
    if (!m_handset) {
        lines.push_back("  (none)");
    } else {
        const State& state = *m_handset;
        lines.push_back(Row("ringing", state.ringing ? "RINGING" : "no"));
        lines.push_back(Row("call", state.callActive ? "ACTIVE" : "none"));
        lines.push_back(Row("mute", state.muted ? "on" : "off"));
        lines.push_back(Row("status", StatusSymbolName(state.statusSymbol)));
        lines.push_back(Row("list", ListModeName(state.listMode)));
    }
    lines.push_back("Skype");
    lines.push_back(Row("link", m_linkStatus));
    lines.push_back(Row("connection", m_connectionStatus));
    lines.push_back(Row("user status", m_userStatus));
    // The three newest calls by id: the client numbers calls as they begin,
    // and the history it reports after an attach may come after a new call.
    auto first = m_calls.size() > 3 ? std::prev(m_calls.end(), 3) : m_calls.begin();
    for (auto it = first; it != m_calls.end(); ++it) {
        const Call& call = it->second;
        std::string who = call.name.empty() ? call.handle : call.name;
        lines.push_back(Row("call " + std::to_string(call.id),
                            (call.status.empty() ? "..." : call.status) + " " + who));
    }
    lines.push_back("? keys   q quit");
    return lines;
}

std::vector<std::string> ScreenModel::LogLines(std::size_t count) const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> lines;
    for (auto line = m_log.rbegin(); line != m_log.rend() && lines.size() < count; ++line) {
        if (m_bReports || !IsReportLine(*line)) lines.push_back(*line);
    }
    return {lines.rbegin(), lines.rend()};
}

std::string ScreenModel::Dump(int width, std::size_t logLines) const {
    std::lock_guard lock(m_mutex);
    std::string text;
    auto part = [&text](const char* heading, const std::vector<std::string>& lines) {
        text += std::string("== ") + heading + "\n";
        for (const std::string& line : lines) text += line + "\n";
    };
    part("LCD", LcdLines(width));
    part("STATE", StateLines());
    if (m_bHelp) part("KEYS", KeyMapText());
    part("LOG", LogLines(logLines));
    return text;
}

}  // namespace kestrava::terminal
