#include "protocol/NotificationDispatcher.h"

#include "handset/CDeviceLibrary.h"
#include "handset/HandsetCommands.h"
#include "handset/SkypeWindows.h"
#include "handset/TransferControl.h"
#include "platform/Desktop.h"
#include "protocol/CallStateMachine.h"

namespace kestrava {

namespace {

constexpr auto kTransferSettle = std::chrono::milliseconds(20);

using UserLine = void (UserLineHandler::*)(const NotificationLine&);

struct UserRow {
    const char* word;
    UserLine handler;
};

// The first words of user and status lines. Words compare exactly, so
// "USER" never takes a "USERS" line. AUTOAWAY is read and ignored.
constexpr UserRow kUserRows[] = {
    {"PROTOCOL", &UserLineHandler::Protocol},
    {"USERS", &UserLineHandler::Users},
    {"USER", &UserLineHandler::User},
    {"CONNSTATUS", &UserLineHandler::ConnectionStatus},
    {"PRIVILEGE", &UserLineHandler::Privilege},
    {"PROFILE", &UserLineHandler::Profile},
    {"USERSTATUS", &UserLineHandler::UserStatus},
    {"AUTOAWAY", nullptr},
    {"CURRENTUSERHANDLE", &UserLineHandler::CurrentUserHandle},
    {"MUTE", &UserLineHandler::Mute},
    {"AUDIO_IN", &UserLineHandler::AudioIn},
    {"AUDIO_OUT", &UserLineHandler::AudioOut},
};

}  // namespace

CNotificationDispatcher::CNotificationDispatcher(CCallStateMachine& calls, UserLineHandler& users,
                                                 HistoryLineHandler& history,
                                                 CDeviceLibrary& device, Desktop& desktop)
    : m_calls(calls), m_users(users), m_history(history), m_device(device), m_desktop(desktop) {}

void CNotificationDispatcher::Dispatch(const std::string& text, int currentCallId,
                                       int currentCallStatus) {
    std::lock_guard lock(m_cs);
    const LineWords words = LineWords::Read(text);
    const NotificationLine line{text, words, currentCallId, currentCallStatus};
    const std::string& first = words.first;
    m_bSkipWatch = false;

    if (first == "CALL") {
        m_bSkipWatch = m_calls.HandleCallLine(line);
        return;
    }
    if (first == "CALLHISTORYCHANGED") {
        m_history.CallHistoryChanged(line);
        return;
    }
    if (first == "CALLS") {
        m_history.Calls(line);
        return;
    }
    for (const auto& row : kUserRows) {
        if (first != row.word) continue;
        if (row.handler != nullptr) (m_users.*row.handler)(line);
        return;
    }
}

// Skype's confirmation window while no call is going on: the handset shows
// the failure once per appearance of the window.
void CNotificationDispatcher::WatchSkypeDialogs(int currentCallId) {
    std::lock_guard lock(m_cs);
    if (m_bSkipWatch) {
        m_bSkipWatch = false;
        return;
    }
    if (m_desktop.FindTopLevelWindow(kestrava::SkypeWindows::kConfirmationClass, nullptr) == 0) {
        m_bConfirmSignalled = false;
        return;
    }
    if (m_bConfirmSignalled || currentCallId != 0) return;
    StopHandsetTransfer(m_device, kTransferSettle);
    m_device.SendCommand(HS_CALL_FAILED);
    m_bConfirmSignalled = true;
}

}  // namespace kestrava
