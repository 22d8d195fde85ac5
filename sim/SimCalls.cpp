#include "sim/SimCalls.h"

#include <chrono>

namespace kestrava::sim {

namespace {

constexpr const char* kInvalidCall = "ERROR 11 Invalid call id";
constexpr const char* kInvalidStatus = "ERROR 21 SET CALL: invalid status";
constexpr const char* kNotNow = "ERROR 24 SET CALL: status cannot change now";

bool IsRinging(const SimCall& call) {
    return call.state == CallState::Routing || call.state == CallState::Ringing;
}

bool IsUp(const SimCall& call) {
    return call.state == CallState::InProgress || call.state == CallState::OnHold;
}

std::string Prefix(int id) {
    return "CALL " + std::to_string(id) + " ";
}

const char* StatusOf(const SimCall& call) {
    if (call.earlyMedia && call.state == CallState::Ringing) return "EARLYMEDIA";
    return StatusName(call.state);
}

std::string StatusLine(const SimCall& call) {
    return Prefix(call.id) + "STATUS " + StatusOf(call);
}

}  // namespace

long long NowSeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

const char* StatusName(CallState state) {
    switch (state) {
        case CallState::Routing:
            return "ROUTING";
        case CallState::Ringing:
            return "RINGING";
        case CallState::InProgress:
            return "INPROGRESS";
        case CallState::OnHold:
            return "LOCALHOLD";
        case CallState::Finished:
            return "FINISHED";
        case CallState::Missed:
            return "MISSED";
        case CallState::Refused:
            return "REFUSED";
        case CallState::Cancelled:
            return "CANCELLED";
    }
    return "UNKNOWN";
}

void SimCalls::AddPast(const SimCall& call) {
    m_calls[call.id] = call;
    Remember(call.id);
}

void SimCalls::LimitHistory(std::size_t calls) {
    m_historyLimit = calls;
    if (!m_history.empty()) Remember(m_history.front());
}

void SimCalls::Remember(int id) {
    if (m_history.empty() || m_history.front() != id) m_history.insert(m_history.begin(), id);
    while (m_historyLimit != 0 && m_history.size() > m_historyLimit) {
        int forgotten = m_history.back();
        m_history.pop_back();
        m_calls.erase(forgotten);
        std::erase(m_started, forgotten);
    }
}

SimCalls::Lines SimCalls::Start(SimCall call) {
    if (m_calls.count(call.id)) return {};  // call ids are never reused
    m_calls[call.id] = call;
    m_started.push_back(call.id);
    Lines lines;
    if (call.state == CallState::Routing) {
        // A real client reports ROUTING twice before the far end rings.
        lines.push_back(Prefix(call.id) + "STATUS ROUTING");
        lines.push_back(Prefix(call.id) + "STATUS ROUTING");
        m_calls[call.id].state = CallState::Ringing;
    } else if (call.earlyMedia) {
        lines.push_back(StatusLine(call));
        return lines;
    } else {
        // ... and an incoming call's RINGING twice: the program must take that in its stride.
        lines.push_back(Prefix(call.id) + "STATUS RINGING");
    }
    lines.push_back(Prefix(call.id) + "STATUS RINGING");
    return lines;
}

SimCalls::Lines SimCalls::Incoming(int id, const std::string& handle, const std::string& name,
                                   long long now) {
    bool fromPhone = handle.size() > 1 && handle[0] == '+';
    return Start({id, handle, name, true, CallState::Ringing, now, 0, false, 0, fromPhone});
}

SimCalls::Lines SimCalls::Outgoing(int id, const std::string& handle, const std::string& name,
                                   long long now) {
    return Start({id, handle, name, false, CallState::Routing, now, 0, true, 0});
}

SimCalls::Lines SimCalls::End(SimCall& call, CallState final) {
    Lines lines;
    if (final == CallState::Finished) {
        call.failureReason = 1;
        lines.push_back(Prefix(call.id) + "FAILUREREASON 1");
    }
    call.state = final;
    call.seen = final != CallState::Missed;
    lines.push_back(StatusLine(call));
    Remember(call.id);
    // Only now is the call in the history that SEARCH CALLS lists.
    lines.push_back("CALLHISTORYCHANGED");
    return lines;
}

SimCalls::Lines SimCalls::HoldOthers(int id) {
    Lines lines;
    for (int other : m_started) {
        if (other == id || m_calls.at(other).state != CallState::InProgress) continue;
        for (std::string& line : HoldAtClient(other)) lines.push_back(std::move(line));
    }
    return lines;
}

SimCalls::Lines SimCalls::AnswerAtClient(int id) {
    SimCall* call = FindMutable(id);
    if (!call || call->state != CallState::Ringing) return {};
    Lines lines = HoldOthers(id);
    call->state = CallState::InProgress;
    lines.push_back(StatusLine(*call));
    return lines;
}

SimCalls::Lines SimCalls::HoldAtClient(int id) {
    SimCall* call = FindMutable(id);
    if (!call || call->state != CallState::InProgress) return {};
    call->state = CallState::OnHold;
    return {Prefix(id) + "STATUS ONHOLD", StatusLine(*call)};
}

SimCalls::Lines SimCalls::ResumeAtClient(int id) {
    SimCall* call = FindMutable(id);
    if (!call || call->state != CallState::OnHold) return {};
    Lines lines = HoldOthers(id);
    call->state = CallState::InProgress;
    lines.push_back(StatusLine(*call));
    return lines;
}

SimCalls::Lines SimCalls::FarEndHangsUp(int id) {
    SimCall* call = FindMutable(id);
    if (!call || !IsUp(*call)) return {};
    return End(*call, CallState::Finished);
}

SimCalls::Lines SimCalls::GiveUp(int id) {
    SimCall* call = FindMutable(id);
    if (!call || !IsRinging(*call)) return {};
    return End(*call, call->incoming ? CallState::Missed : CallState::Cancelled);
}

template <typename Predicate>
SimCall* SimCalls::Oldest(Predicate wanted) {
    for (int id : m_started) {
        SimCall& call = m_calls.at(id);
        if (wanted(call)) return &call;
    }
    return nullptr;
}

SimCalls::Lines SimCalls::AnswerRinging() {
    SimCall* call =
        Oldest([](const SimCall& c) { return c.incoming && c.state == CallState::Ringing; });
    return call ? AnswerAtClient(call->id) : Lines{};
}

SimCalls::Lines SimCalls::EndRingingIncoming() {
    SimCall* call =
        Oldest([](const SimCall& c) { return c.incoming && c.state == CallState::Ringing; });
    return call ? End(*call, CallState::Refused) : Lines{};
}

SimCalls::Lines SimCalls::EndInProgress() {
    SimCall* call = Oldest([](const SimCall& c) { return c.state == CallState::InProgress; });
    return call ? End(*call, CallState::Finished) : Lines{};
}

SimCalls::Lines SimCalls::CancelOutgoing() {
    SimCall* call = Oldest([](const SimCall& c) { return !c.incoming && IsRinging(c); });
    return call ? End(*call, CallState::Cancelled) : Lines{};
}

SimCalls::Lines SimCalls::HookOn() {
    Lines lines = EndInProgress();
    if (lines.empty()) lines = EndRingingIncoming();
    if (lines.empty()) lines = CancelOutgoing();
    return lines;
}

SimCalls::Lines SimCalls::Reject() {
    Lines lines = EndRingingIncoming();
    if (lines.empty()) lines = EndInProgress();
    if (lines.empty()) lines = CancelOutgoing();
    return lines;
}

SimCalls::Lines SimCalls::Get(int id, const std::string& property) const {
    const SimCall* call = Find(id);
    if (!call) return {kInvalidCall};
    std::string prefix = Prefix(id) + property + " ";
    if (property == "STATUS") return {prefix + StatusOf(*call)};
    if (property == "PARTNER_HANDLE") return {prefix + call->partnerHandle};
    if (property == "PARTNER_DISPNAME") return {prefix + call->partnerName};
    if (property == "TYPE") {
        const char* kind = call->earlyMedia ? "PSTN" : "P2P";
        return {prefix + (call->incoming ? "INCOMING_" : "OUTGOING_") + kind};
    }
    if (property == "TIMESTAMP") return {prefix + std::to_string(call->timestamp)};
    if (property == "DURATION") return {prefix + std::to_string(call->duration)};
    if (property == "SEEN") return {prefix + (call->seen ? "TRUE" : "FALSE")};
    if (property == "FAILUREREASON") return {prefix + std::to_string(call->failureReason)};
    return {"ERROR 7 GET: invalid WHAT"};
}

SimCalls::Lines SimCalls::Set(int id, const std::string& property, const std::string& value) {
    SimCall* call = FindMutable(id);
    if (!call) return {kInvalidCall};
    if (property == "SEEN") {
        call->seen = true;
        return {Prefix(id) + "SEEN TRUE"};
    }
    if (property != "STATUS") return {"ERROR 8 SET: invalid WHAT"};
    if (value == "INPROGRESS") {
        // The program answers an incoming call or resumes a held one; it
        // cannot answer for the far end of an outgoing call.
        if (call->state == CallState::InProgress) return {StatusLine(*call)};
        if (call->state == CallState::OnHold) return ResumeAtClient(id);
        if (call->state == CallState::Ringing && call->incoming) return AnswerAtClient(id);
        return {kNotNow};
    }
    if (value == "ONHOLD") {
        if (call->state == CallState::OnHold) return {StatusLine(*call)};
        if (call->state == CallState::InProgress) return HoldAtClient(id);
        return {kNotNow};
    }
    if (value == "FINISHED") {
        if (IsUp(*call)) return End(*call, CallState::Finished);
        if (IsRinging(*call)) {
            // Turning down a ringing incoming call refuses it; hanging up an
            // outgoing one before the far end answers cancels it.
            return End(*call, call->incoming ? CallState::Refused : CallState::Cancelled);
        }
        return {kNotNow};
    }
    return {kInvalidStatus};
}

SimCalls::Lines SimCalls::Tick() {
    Lines lines;
    for (auto& [id, call] : m_calls) {
        if (call.state != CallState::InProgress) continue;
        ++call.duration;
        lines.push_back(Prefix(id) + "DURATION " + std::to_string(call.duration));
    }
    return lines;
}

bool SimCalls::AnyInProgress() const {
    for (const auto& entry : m_calls) {
        if (entry.second.state == CallState::InProgress) return true;
    }
    return false;
}

const SimCall* SimCalls::Find(int id) const {
    auto it = m_calls.find(id);
    return it == m_calls.end() ? nullptr : &it->second;
}

SimCall* SimCalls::FindMutable(int id) {
    auto it = m_calls.find(id);
    return it == m_calls.end() ? nullptr : &it->second;
}

std::vector<int> SimCalls::History(bool missedOnly) const {
    std::vector<int> ids;
    for (int id : m_history) {
        if (!missedOnly || m_calls.at(id).state == CallState::Missed) ids.push_back(id);
    }
    return ids;
}

std::vector<SimCall> SimCalls::Live() const {
    std::vector<SimCall> live;
    for (auto it = m_started.rbegin(); it != m_started.rend(); ++it) {
        const SimCall& call = m_calls.at(*it);
        if (IsRinging(call) || IsUp(call)) live.push_back(call);
    }
    return live;
}

int SimCalls::UnseenMissed() const {
    int count = 0;
    for (int id : m_history) {
        const SimCall& call = m_calls.at(id);
        if (call.state == CallState::Missed && !call.seen) ++count;
    }
    return count;
}

}  // namespace kestrava::sim
