// The logic of the Audio Device Settings dialog (resource 118) and its
// watcher thread. The dialog lets the user pick the system's preferred
// playback and recording devices, and while it is open it follows changes of
// those made elsewhere (the system's own sound settings). On a system with
// audio endpoints the devices are the endpoints and the preferred ones the
// default endpoints; elsewhere the wave devices and the Sound Mapper's values.
//
// The dialog window itself lives elsewhere; it reaches this logic through
// OnInitDialog and OnCommand, and this logic reaches the window only through
// AudioDeviceDialogView.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "app/AudioRouting.h"
#include "app/SettingsDialogIds.h"
#include "platform/AudioEndpoints.h"
#include "platform/AudioSystem.h"
#include "platform/Registry.h"

namespace kestrava {

// Control ids of the dialog (app/SettingsDialogIds.h): check box
// IDC_AUTO_SWITCH_SYSTEM_AUDIO, combo boxes IDC_SPEAKER_DEVICE (output
// devices) and IDC_MIC_DEVICE (input devices).

// What the logic needs of the dialog window. `comboId` is IDC_SPEAKER_DEVICE
// or IDC_MIC_DEVICE.
//
// Threads: the dialog's own thread calls every operation (inside OnInitDialog
// and OnCommand); the watcher thread calls SelectedText and SelectIndex while
// the dialog is open. A window implementation sends those to the combo boxes
// as window messages; it stays safe because the dialog's thread, when it
// waits for the watcher to stop, answers them through AnswerSentMessages.
class AudioDeviceDialogView {
  public:
    virtual ~AudioDeviceDialogView() = default;

    // Check box 1019: BM_GETCHECK / BM_SETCHECK.
    virtual bool AutoSwitchChecked() = 0;
    virtual void SetAutoSwitchChecked(bool checked) = 0;
    // CB_INSERTSTRING at `index` (the boxes' order is the devices' order).
    virtual void InsertText(int comboId, int index, const std::string& text) = 0;
    // CB_SETCURSEL.
    virtual void SelectIndex(int comboId, int index) = 0;
    // The selected line's text (CB_GETCURSEL, CB_GETLBTEXT); empty with none.
    virtual std::string SelectedText(int comboId) = 0;
    // CB_SHOWDROPDOWN with FALSE.
    virtual void CloseDropDown(int comboId) = 0;
    // Called on the dialog's thread while it waits for the watcher: handle
    // the messages other threads are sending to the dialog's windows, waiting
    // at most `maxWait` (WindowSystem::PumpSentMessages).
    virtual void AnswerSentMessages(std::chrono::milliseconds maxWait) = 0;
};

class AudioDeviceSettings {
  public:
    static constexpr std::chrono::milliseconds kWatchInterval{1000};

    // `autoSwitchFlag` is the shell's SupportAutoSwitchSystemAudioDevice; the
    // dialog shows it and keeps the user's choice there (in memory only).
    AudioDeviceSettings(Registry& registry, AudioSystem& audio,
                        std::atomic<std::int32_t>& autoSwitchFlag,
                        std::chrono::milliseconds watchInterval = kWatchInterval);
    // Stops the watcher; the view it uses must still exist if it runs.
    ~AudioDeviceSettings();

    // The system's endpoints (may be null); set before the dialog opens.
    void SetEndpoints(AudioEndpoints* endpoints) { m_endpoints = endpoints; }

    AudioDeviceSettings(const AudioDeviceSettings&) = delete;
    AudioDeviceSettings& operator=(const AudioDeviceSettings&) = delete;

    // WM_INITDIALOG. `noSpeakerText` and `noMicText` are string table entries
    // 11 and 12 in the user's language. The dialog counts as open from here.
    // `view` must stay valid until OnCommand ends the dialog (or StopWatcher
    // has returned).
    void OnInitDialog(AudioDeviceDialogView& view, const std::string& noSpeakerText,
                      const std::string& noMicText);
    // WM_COMMAND. IDOK (1) and IDCANCEL (2) keep the check box, stop the
    // watcher, write the selected devices and return true: the caller ends
    // the dialog with `commandId`. Anything else returns false.
    bool OnCommand(AudioDeviceDialogView& view, int commandId);
    // WM_DESTROY, which ends every dialog however it ends (OK, Esc, or a
    // quit request of the program while it is open): stops the watcher, and
    // a dialog that OnCommand did not end counts as closed, its choices not
    // written.
    void OnDestroy(AudioDeviceDialogView& view);
    // Stops the watcher and waits for it (answering the view's sent messages
    // meanwhile). OnCommand and OnDestroy do this.
    void StopWatcher(AudioDeviceDialogView& view);

    // The main window opens the dialog only while this is false.
    bool IsOpen() const { return m_openCount.load() != 0; }
    bool WatcherRunning() const { return m_watcherRunning.load(); }

  private:
    void FillBox(AudioDeviceDialogView& view, int comboId, const DeviceNames& names,
                 const std::string& noneText);
    // The values the boxes were set from, by side; unset where not read.
    struct Shown {
        std::optional<std::string> playback, record;
    };
    bool SelectStored(AudioDeviceDialogView& view, Registry::Key key, Shown* shown);
    void WriteSelected(AudioDeviceDialogView& view);
    void Closed();
    void StartWatcher(AudioDeviceDialogView& view, Shown shown);
    void Watch(AudioDeviceDialogView* view, Shown shown);
    // One side of a watcher pass; false when its value cannot be read.
    bool FollowSide(AudioDeviceDialogView& view, Registry::Key key, AudioSide side,
                    std::optional<std::string>* remembered);
    bool WaitForNextPass();
    // The devices and preferred devices, from the endpoints or the registry
    // (`key`: the Sound Mapper's, unused with endpoints).
    DeviceNames Names(AudioSide side);
    bool ReadChoice(Registry::Key key, AudioSide side, std::string* name);
    void WriteChoice(Registry::Key key, AudioSide side, const std::string& name);

    Registry& m_registry;
    AudioSystem& m_audio;
    std::atomic<std::int32_t>& m_autoSwitch;
    const std::chrono::milliseconds m_interval;
    AudioEndpoints* m_endpoints = nullptr;
    // Decided as the dialog opens: the system had endpoints.
    std::atomic<bool> m_useEndpoints{false};

    std::recursive_mutex m_lock;  // the dialog's operations and the thread object
    std::thread m_watcher;
    std::atomic<bool> m_runWatcher{false};
    std::atomic<bool> m_watcherRunning{false};
    std::mutex m_wakeLock;  // with m_wake: a stop request ends the pause at once
    std::condition_variable m_wake;
    std::atomic<std::int32_t> m_openCount{0};
    bool m_shown = false;  // between OnInitDialog and its dialog's end; under m_lock
};

}  // namespace kestrava
