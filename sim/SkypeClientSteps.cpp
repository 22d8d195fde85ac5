// The simulated client plays scenario steps: from a scenario file on a timer,
// from a test (Perform) or from another process (a WM_COPYDATA step text).
#include "sim/SkypeClientSim.h"

namespace kestrava::sim {

bool SkypeClientSim::PerformStepText(const std::string& text) {
    std::string error;
    auto scenario = Scenario::Parse("0 " + text, &error);
    if (!scenario || scenario->steps.size() != 1) {
        Record("STEP REFUSED " + text + (error.empty() ? "" : " (" + error + ")"));
        return false;
    }
    ApplyStep(scenario->steps.front());
    return true;
}

void SkypeClientSim::PlayDueSteps() {
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now() - m_scenarioStart)
                       .count();
    while (m_nextStep < m_steps.size() && m_steps[m_nextStep].atMs <= elapsed) {
        ApplyStep(m_steps[m_nextStep++]);
    }
    if (m_nextStep >= m_steps.size()) m_windows.KillTimer(ApiWindow(), kScenarioTimer);
}

void SkypeClientSim::ApplyStep(const ScenarioStep& step) {
    const auto& args = step.arguments;
    const std::string& action = step.action;
    int id = step.callId;
    std::vector<std::string> lines;
    if (action == "announce") {
        Record("ANNOUNCE");
        m_windows.Broadcast(m_attachMessage, ApiWindow(), kApiAvailable, kSendTimeout);
        return;
    }
    if (action == "end") {
        Record("SCENARIO END");
        if (m_onScenarioEnd) m_onScenarioEnd();
        return;
    }
    if (action == "lift" || action == "hangup" || action == "press") {
        Record("HANDSET " + step.Text());
        if (m_onHandsetStep) m_onHandsetStep(step);
        return;
    }
    if (action == "confirm" || action == "error") {
        bool opened =
            m_skypeWindows.OpenDialog(action == "confirm" ? SimSkypeWindows::Dialog::Confirmation
                                                          : SimSkypeWindows::Dialog::Error);
        if (!opened) Record("SCENARIO IGNORED " + step.Text());
        return;
    }
    if (action == "tab") {
        m_skypeWindows.SelectTab(std::stoi(args[0]));
        return;
    }
    if (action == "type") {
        m_skypeWindows.Type(args[0]);
        return;
    }
    if (action == "notify") {
        lines = args;
    } else if (action == "online") {
        // A real client tells of every change of a contact it holds, unasked.
        if (SimUser* user = FindUser(args[0])) {
            user->onlineStatus = args[1];
            lines.push_back("USER " + user->handle + " ONLINESTATUS " + user->onlineStatus);
        }
    } else if (action == "connstatus") {
        m_connStatus = args[0];
        lines.push_back("CONNSTATUS " + m_connStatus);
    } else if (action == "userstatus") {
        if (IsUserStatus(args[0])) {
            m_userStatus = args[0];
            lines.push_back("USERSTATUS " + m_userStatus);
        }
    } else if (action == "incoming") {
        lines = m_calls.Incoming(id, args[1], PartnerName(args[1]), NowSeconds());
    } else if (action == "outgoing") {
        lines = m_calls.Outgoing(id, args[1], PartnerName(args[1]), NowSeconds());
    } else if (action == "answer") {
        lines = m_calls.AnswerAtClient(id);
    } else if (action == "hold") {
        lines = m_calls.HoldAtClient(id);
    } else if (action == "resume") {
        lines = m_calls.ResumeAtClient(id);
    } else if (action == "finish") {
        lines = m_calls.FarEndHangsUp(id);
    } else if (action == "missed" || action == "cancel") {
        if (args.size() == 2)
            lines = m_calls.Incoming(id, args[1], PartnerName(args[1]), NowSeconds());
        if (args.size() == 1 || !lines.empty()) {
            for (auto& line : m_calls.GiveUp(id)) lines.push_back(std::move(line));
        }
    }
    if (lines.empty()) Record("SCENARIO IGNORED " + step.Text());
    for (auto& line : lines) Queue(std::move(line));
    FlushOutbox();
}

}  // namespace kestrava::sim
