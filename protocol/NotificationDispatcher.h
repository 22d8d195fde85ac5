// The notification dispatcher: the parser thread hands it every line from
// Skype. It reads the line's words, gives the line to the handler of its
// first word (unknown first words are dropped), and after every line and
// every idle pass watches for Skype's confirmation window.
#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>

#include "protocol/LineHandlers.h"
#include "protocol/LinkCollaborators.h"

class CDeviceLibrary;

namespace kestrava {

class CCallStateMachine;
class Desktop;

class CNotificationDispatcher final : public NotificationDispatcher {
  public:
    // How often the confirmation window is looked for while no lines come.
    static constexpr std::chrono::milliseconds kIdleWatchInterval{100};

    CNotificationDispatcher(CCallStateMachine& calls, UserLineHandler& users,
                            HistoryLineHandler& history, CDeviceLibrary& device, Desktop& desktop);
    CNotificationDispatcher(const CNotificationDispatcher&) = delete;
    CNotificationDispatcher& operator=(const CNotificationDispatcher&) = delete;

    void Dispatch(const std::string& line, int currentCallId, int currentCallStatus) override;
    void WatchSkypeDialogs(int currentCallId) override;
    std::chrono::milliseconds IdleWatchInterval() const override { return kIdleWatchInterval; }

  private:
    CCallStateMachine& m_calls;
    UserLineHandler& m_users;
    HistoryLineHandler& m_history;
    CDeviceLibrary& m_device;
    Desktop& m_desktop;

    bool m_bConfirmSignalled = false;  // the open confirmation window was signalled
    bool m_bSkipWatch = false;         // the last line refused a ringing call
    std::recursive_mutex m_cs;
};

}  // namespace kestrava
