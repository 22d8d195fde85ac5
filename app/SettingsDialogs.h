// The four settings dialogs of the tray menu (About, Volume Control, Advanced
// Settings, Audio Device Settings): their procedures over the dialog port,
// the values only they use, and the open counters that keep a second copy of
// a dialog from opening. They run modally on the main thread; what they
// change lives in memory until the program ends.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "app/SettingsDialogIds.h"
#include "app/ShellState.h"
#include "handset/HandsetSeams.h"
#include "platform/DialogHost.h"

class CSkypeEngine;

namespace kestrava {

// The handset's speaker and microphone faders as the volume dialog sees them:
// the mixer's levels on the 0..31 scale (0 for a closed fader) and the setters
// of HandsetAudio (the dialog uses kind 4).
class VolumeFaders : public HandsetAudio {
  public:
    virtual int SpeakerLevel31() = 0;
    virtual int MicrophoneLevel31() = 0;
};

class SettingsDialogs {
  public:
    // Set on the volume faders by the dialog.
    static constexpr int kDialogLevelKind = 4;
    static constexpr int kTopLevel = 31;  // the trackbars run 0..31, full level at the top
    static constexpr std::size_t kCustomerInfoSize = 260;

    SettingsDialogs(DialogHost& dialogs, ShellState& shell);

    // The engine (customer text, ring list) and the faders; null until they
    // exist: the About text is empty, the ring list stays empty and the
    // faders read 0 and ignore changes, as closed faders do.
    void SetEngine(CSkypeEngine* engine);
    void SetFaders(VolumeFaders* faders);
    // The Audio Device Settings dialog's own procedure (the routing logic and
    // its watcher). Until one is set, the dialog shows its resource and closes
    // on OK or Esc. The counter around it is kept here either way.
    void SetAudioDevicesProcedure(WindowProc procedure);

    // Each shows its dialog modally and returns when it has ended. The three
    // guarded ones do nothing while their dialog is open (a command that
    // arrives while it runs, through the nested message loop).
    void ShowAbout();
    void ShowVolumeControl();
    void ShowAdvancedSettings();
    void ShowAudioDeviceSettings();

    // The dialog procedures, as RunModalDialog calls them.
    LParam AboutProcedure(WindowHandle dialog, std::uint32_t message, WParam wParam, LParam lParam);
    LParam VolumeProcedure(WindowHandle dialog, std::uint32_t message, WParam wParam,
                           LParam lParam);
    LParam AdvancedProcedure(WindowHandle dialog, std::uint32_t message, WParam wParam,
                             LParam lParam);

    int VolumeOpenCount() const { return m_volumeOpen.load(); }
    int AdvancedOpenCount() const { return m_advancedOpen.load(); }
    int AudioDevicesOpenCount() const { return m_audioDevicesOpen.load(); }
    int RingIndex() const { return m_ringIndex.load(); }
    int LastSpeakerLevel() const { return m_lastSpeakerLevel.load(); }
    int LastMicLevel() const { return m_lastMicLevel.load(); }

  private:
    LParam AudioDevicesProcedure(WindowHandle dialog, std::uint32_t message, WParam wParam,
                                 LParam lParam);
    int SpeakerLevel31();
    int MicrophoneLevel31();

    DialogHost& m_dialogs;
    ShellState& m_shell;
    std::recursive_mutex m_mutex;  // every operation; never held across a modal loop
    CSkypeEngine* m_engine = nullptr;
    VolumeFaders* m_faders = nullptr;
    WindowProc m_audioDevicesProcedure;

    std::atomic<std::int32_t> m_volumeOpen{0};
    std::atomic<std::int32_t> m_advancedOpen{0};
    std::atomic<std::int32_t> m_audioDevicesOpen{0};
    std::atomic<std::int32_t> m_lastSpeakerLevel{0};  // lastSpeakerLevel
    std::atomic<std::int32_t> m_lastMicLevel{0};      // lastMicLevel
    std::atomic<std::int32_t> m_ringIndex{0};         // ringIndex
};

}  // namespace kestrava
