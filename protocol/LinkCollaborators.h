// What the Skype link needs from the rest of the program. The shell wires the
// real components behind these two interfaces; tests wire mocks.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

class LinkCollaborators {
  public:
    virtual ~LinkCollaborators() = default;

    // Audio routing: point the system's preferred devices away from the handset.
    virtual void PreferNonHandsetDevices() = 0;
    // Product name of the handset's sound device; empty when unknown.
    virtual std::string HandsetAudioDeviceName() = 0;

    // Session store.
    virtual void ResetCurrentCall() = 0;
    virtual void ResetSecondCall() = 0;
    virtual void ResetBrowse() = 0;
    virtual void ClearCalls() = 0;
    virtual int CurrentCallId() = 0;
    virtual int CurrentCallStatus() = 0;
    // Unseen missed incoming calls of the history.
    virtual int CountUnseenMissedCalls() = 0;

    // Contact list.
    virtual void ResetContactCursor() = 0;
    virtual void ClearContacts() = 0;

    // Handset: the button handler, the "keys are handled" switch, presence.
    virtual void HandleButton(int buttonCode) = 0;
    virtual void SetLinkReady(int ready) = 0;
    virtual bool HandsetPresent() = 0;
    // One-byte command to the handset; false when it did not go out.
    virtual bool SendHandsetCommand(std::uint8_t command) = 0;
    // The handset shows a list the person is browsing.
    virtual bool HandsetBrowsing() = 0;
    // The handset state the engine's own operations write (m_bResync, m_nDisplayContent).
    virtual void SetHandsetResync(int resync) = 0;
    virtual void SetDisplayContent(int content) = 0;
    virtual void AddDisplayContent(int bits) = 0;
    // Stops a transfer to the handset that runs and waits (bounded) for it to
    // end, as a ring does, before the display is given a new text.
    virtual void StopHandsetTransfer() = 0;

    // Main window: restart the focus timer (the window's own thread owns its timers).
    virtual void RestartFocusTimer() = 0;

    // Tray: show this icon file with this string resource as its tip.
    virtual void ShowTrayState(const std::string& iconFile, int tipStringId) = 0;
};

// Where the parser thread hands each line received from Skype.
class NotificationDispatcher {
  public:
    virtual ~NotificationDispatcher() = default;

    // One line with the snapshot of the current call taken just before.
    virtual void Dispatch(const std::string& line, int currentCallId, int currentCallStatus) = 0;

    // Runs after every line and, when IdleWatchInterval is not zero, after every
    // idle pass of that length (Skype's confirmation window is watched this way).
    virtual void WatchSkypeDialogs(int currentCallId) = 0;
    virtual std::chrono::milliseconds IdleWatchInterval() const { return {}; }
};
