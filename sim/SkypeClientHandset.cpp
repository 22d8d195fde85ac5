// The simulated client's answers to the commands of the handset's keys: they
// move the calls (SimCalls picks "the" call) and the client's own windows.
#include "sim/SkypeClientSim.h"

namespace kestrava::sim {

namespace {

constexpr const char* kUnknown = "ERROR 2 Unknown command";

// The buttons a BTN_PRESSED / BTN_RELEASED names.
bool IsButton(const std::string& word) {
    for (const char* button : {"YES", "NO", "UP", "DOWN", "SKYPE"}) {
        if (word == button) return true;
    }
    return false;
}

std::vector<std::string> ReplyThen(std::vector<std::string> lines) {
    lines.insert(lines.begin(), "OK");
    return lines;
}

}  // namespace

int SkypeClientSim::NextCallId() {
    while (m_calls.Find(m_nextCallId)) ++m_nextCallId;
    return m_nextCallId++;
}

std::optional<std::vector<std::string>> SkypeClientSim::AnswerHandsetCommand(
    const std::vector<std::string>& words) {
    const std::string& verb = words[0];
    const std::string argument = words.size() > 1 ? words[1] : std::string();
    if (verb == "FOCUS") {
        if (words.size() != 1) return std::vector<std::string>{kUnknown};
        m_skypeWindows.FocusDialField();
        return std::vector<std::string>{"OK"};
    }
    if (verb == "HOOK") {
        if (words.size() != 2) return std::vector<std::string>{kUnknown};
        if (argument == "OFF") return ReplyThen(m_calls.AnswerRinging());
        if (argument == "ON") return ReplyThen(m_calls.HookOn());
        return std::vector<std::string>{kUnknown};
    }
    if (verb == "BTN_PRESSED" || verb == "BTN_RELEASED") {
        if (words.size() != 2 || !IsButton(argument)) return std::vector<std::string>{kUnknown};
        // A button acts when it is released.
        if (verb == "BTN_PRESSED") return std::vector<std::string>{"OK"};
        if (argument == "YES") {
            auto lines = m_calls.AnswerRinging();
            if (lines.empty()) {
                std::string number = m_skypeWindows.TakeDialText();
                if (!number.empty()) {
                    lines =
                        m_calls.Outgoing(NextCallId(), number, PartnerName(number), NowSeconds());
                }
            }
            return ReplyThen(std::move(lines));
        }
        if (argument == "NO") {
            auto lines = m_calls.Reject();
            if (lines.empty()) m_skypeWindows.TakeDialText();
            return ReplyThen(std::move(lines));
        }
        return std::vector<std::string>{"OK"};  // UP, DOWN, SKYPE move nothing here
    }
    if (verb == "OPEN" && (argument == "IM" || argument == "FILETRANSFER")) {
        if (words.size() != 3) return std::vector<std::string>{kUnknown};
        return std::vector<std::string>{"OK"};
    }
    return std::nullopt;
}

}  // namespace kestrava::sim
