// The shell's side of the Skype link: it forwards what the engine asks of the
// rest of the program to the components that do it. Components that have not
// been built yet are seams here, each marked where its work will go.
#pragma once

#include <functional>
#include <string>

#include "app/AudioRouting.h"
#include "app/ShellState.h"
#include "app/TrayIcon.h"
#include "audio/HandsetMixers.h"
#include "handset/ButtonHandler.h"
#include "handset/CDeviceLibrary.h"
#include "platform/WindowSystem.h"
#include "protocol/LinkCollaborators.h"
#include "session/CListManager.h"
#include "session/CSessionStore.h"

namespace kestrava {

class ShellLinks final : public LinkCollaborators, public NotificationDispatcher {
  public:
    using Trace = std::function<void(const std::string&)>;

    ShellLinks(ShellState& shell, WindowSystem& windows, CDeviceLibrary& device,
               HandsetMixers& mixers);

    // Where the shell reports what it does (simulation mode prints it).
    void SetTrace(Trace trace) { m_trace = std::move(trace); }
    // The session store, once the shell has created it (null before and after).
    void SetSessionStore(CSessionStore* store) { m_store = store; }
    // The contact list, likewise.
    void SetContactList(CListManager* contacts) { m_contacts = contacts; }
    // The component that handles the lines from Skype, once the call path
    // exists; lines that arrive before are dropped.
    void SetLineHandler(NotificationDispatcher* handler) { m_lines = handler; }
    // The button handler, once the session is attached; buttons pressed
    // before (the link's "FOCUS") are dropped.
    void SetButtonHandler(ButtonHandler* buttons) { m_buttons = buttons; }
    // The audio routing; without it the preferred devices are left alone.
    void SetAudioRouting(AudioRouting* routing) { m_routing = routing; }
    // The tray icon, once created; the tray state is only reported before.
    void SetTray(CTrayIcon* tray) { m_tray = tray; }
    void Report(const std::string& event) const;

    // LinkCollaborators
    void PreferNonHandsetDevices() override;
    std::string HandsetAudioDeviceName() override;
    void ResetCurrentCall() override;
    void ResetSecondCall() override;
    void ResetBrowse() override;
    void ClearCalls() override;
    int CurrentCallId() override;
    int CurrentCallStatus() override;
    int CountUnseenMissedCalls() override;
    void ResetContactCursor() override;
    void ClearContacts() override;
    void HandleButton(int buttonCode) override;
    void SetLinkReady(int ready) override;
    bool HandsetPresent() override;
    bool SendHandsetCommand(std::uint8_t command) override;
    bool HandsetBrowsing() override;
    void SetHandsetResync(int resync) override;
    void SetDisplayContent(int content) override;
    void AddDisplayContent(int bits) override;
    void StopHandsetTransfer() override;
    void RestartFocusTimer() override;
    void ShowTrayState(const std::string& iconFile, int tipStringId) override;

    // NotificationDispatcher
    void Dispatch(const std::string& line, int currentCallId, int currentCallStatus) override;
    void WatchSkypeDialogs(int currentCallId) override;
    std::chrono::milliseconds IdleWatchInterval() const override;

  private:
    ShellState& m_shell;
    WindowSystem& m_windows;
    CDeviceLibrary& m_device;
    HandsetMixers& m_mixers;
    std::atomic<CSessionStore*> m_store{nullptr};
    std::atomic<CListManager*> m_contacts{nullptr};
    std::atomic<NotificationDispatcher*> m_lines{nullptr};
    std::atomic<ButtonHandler*> m_buttons{nullptr};
    std::atomic<AudioRouting*> m_routing{nullptr};
    std::atomic<CTrayIcon*> m_tray{nullptr};
    Trace m_trace;
};

}  // namespace kestrava
