// What the interactive simulation shows, apart from how it is drawn: the
// handset's LCD as block art, the handset's and the client's state beside
// it, a scrolling log of what crosses the link below, or the key map in its
// place. Fed from any thread (the printer's lines, the client's log entries,
// the handset's state); read by the drawing loop and by tests as text.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/HandsetFirmware.h"

namespace kestrava::terminal {

class ScreenModel {
  public:
    static constexpr std::size_t kLogCapacity = 1000;  // older lines scroll away

    // A call as the client reported it.
    struct Call {
        int id = 0;
        std::string handle;
        std::string name;    // the partner's display name, once reported
        std::string status;  // the API's word (RINGING, INPROGRESS, FINISHED, ...)
        bool Live() const;
    };

    // The handset's state; nullopt when there is no handset.
    void SetHandset(const std::optional<sim::HandsetFirmware::State>& state);
    // One printed line (several when it holds line breaks).
    void AddLog(const std::string& text);
    // One entry of the simulated client's log ("NOTIFY CALL 301 STATUS RINGING",
    // "ATTACH 0", ...): follows its calls, its connection and the user's status.
    void OnClientEntry(const std::string& entry);
    // A call the client was asked to start, so that its contact is known at once.
    void NoteCall(int id, const std::string& handle);
    void ToggleHelp();
    // The handset's own reports (the HID library's trace) are left out of
    // the log unless asked for: they would drown the link's lines.
    void ToggleReports();

    bool HelpShown() const;
    // The newest call that has not ended; nullopt when none.
    std::optional<Call> NewestLiveCall() const;
    std::string UserStatus() const;
    // Grows by one with every change; the drawing loop redraws when it moved.
    std::uint64_t Version() const;

    // The LCD framed as block art, fitting `width` characters.
    std::vector<std::string> LcdLines(int width) const;
    std::vector<std::string> StateLines() const;
    // The newest `count` log lines that are shown, oldest first.
    std::vector<std::string> LogLines(std::size_t count) const;
    // Everything as text: the LCD, the state, the key map when shown, and the
    // newest `logLines` lines of the log, each part under its heading.
    std::string Dump(int width, std::size_t logLines) const;

  private:
    void ChangedLocked() { ++m_version; }
    Call& CallLocked(int id);

    mutable std::recursive_mutex m_mutex;
    std::optional<sim::HandsetFirmware::State> m_handset;
    std::deque<std::string> m_log;
    std::map<int, Call> m_calls;
    std::vector<int> m_callOrder;  // ids in the order they were first seen
    std::string m_linkStatus = "waiting for Kestrava";
    std::string m_connectionStatus = "ONLINE";
    std::string m_userStatus = "ONLINE";
    bool m_bHelp = false;
    bool m_bReports = false;
    std::uint64_t m_version = 0;
};

}  // namespace kestrava::terminal
