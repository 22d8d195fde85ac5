// The settings dialogs' two narrow seams, filled by the parts that do the
// work: the volume dialog's faders are the handset's mixer controls, and the
// Audio Device Settings window hands its messages to the routing logic.
#pragma once

#include <atomic>

#include "app/AudioDeviceSettings.h"
#include "app/SettingsDialogs.h"
#include "audio/HandsetMixers.h"
#include "platform/DialogHost.h"
#include "platform/ResourceStrings.h"
#include "platform/WindowSystem.h"

namespace kestrava {

// The volume dialog's view of the mixer: levels on the 0..31 scale.
class MixerVolumeFaders final : public VolumeFaders {
  public:
    explicit MixerVolumeFaders(HandsetMixers& mixers) : m_mixers(mixers) {}

    int SpeakerLevel31() override { return static_cast<int>(m_mixers.Speaker().Level31()); }
    int MicrophoneLevel31() override { return static_cast<int>(m_mixers.Microphone().Level31()); }
    void SetSpeakerFader(int kind, int value) override { m_mixers.SetSpeakerFader(kind, value); }
    void SetMicrophoneFader(int kind, int value) override {
        m_mixers.SetMicrophoneFader(kind, value);
    }

  private:
    HandsetMixers& m_mixers;
};

// The Audio Device Settings window (resource 118): its procedure gives the
// dialog's messages to the logic, and the logic's requests become control
// messages of the dialog. The watcher thread reaches the combo boxes through
// the same host operations, which the system carries to the dialog's thread.
class AudioDevicesWindow final : public AudioDeviceDialogView {
  public:
    static constexpr int kNoSpeakerString = 11;
    static constexpr int kNoMicString = 12;

    AudioDevicesWindow(DialogHost& dialogs, WindowSystem& windows, ResourceStrings& strings,
                       AudioDeviceSettings& logic)
        : m_dialogs(dialogs), m_windows(windows), m_strings(strings), m_logic(logic) {}
    // The logic's watcher never outlives the window it reaches.
    ~AudioDevicesWindow() { m_logic.StopWatcher(*this); }
    AudioDevicesWindow(const AudioDevicesWindow&) = delete;
    AudioDevicesWindow& operator=(const AudioDevicesWindow&) = delete;

    LParam Procedure(WindowHandle dialog, std::uint32_t message, WParam wParam, LParam) {
        if (message == msg::kInitDialog) {
            m_dialog = dialog;
            m_logic.OnInitDialog(*this, m_strings.Load(kNoSpeakerString),
                                 m_strings.Load(kNoMicString));
            return 1;
        }
        if (message == msg::kCommand && m_logic.OnCommand(*this, LowWord(wParam))) {
            m_dialogs.EndDialog(dialog, LowWord(wParam));
            return 1;
        }
        // However the dialog ends, the watcher ends with it, while the
        // dialog's controls and this window still exist.
        if (message == msg::kDestroy) m_logic.OnDestroy(*this);
        return 0;
    }

    bool AutoSwitchChecked() override {
        return m_dialogs.IsChecked(m_dialog, IDC_AUTO_SWITCH_SYSTEM_AUDIO);
    }
    void SetAutoSwitchChecked(bool checked) override {
        m_dialogs.SetChecked(m_dialog, IDC_AUTO_SWITCH_SYSTEM_AUDIO, checked);
    }
    void InsertText(int comboId, int index, const std::string& text) override {
        m_dialogs.InsertComboString(m_dialog, comboId, index, text);
    }
    void SelectIndex(int comboId, int index) override {
        m_dialogs.SelectComboIndex(m_dialog, comboId, index);
    }
    std::string SelectedText(int comboId) override {
        int selected = m_dialogs.ComboSelection(m_dialog, comboId);
        return selected < 0 ? std::string() : m_dialogs.ComboText(m_dialog, comboId, selected);
    }
    void CloseDropDown(int comboId) override { m_dialogs.CloseComboDropDown(m_dialog, comboId); }
    void AnswerSentMessages(std::chrono::milliseconds maxWait) override {
        m_windows.PumpSentMessages(maxWait);
    }

  private:
    DialogHost& m_dialogs;
    WindowSystem& m_windows;
    ResourceStrings& m_strings;
    AudioDeviceSettings& m_logic;
    // Set on the dialog's thread before the watcher starts, read by both.
    std::atomic<WindowHandle> m_dialog{0};
};

}  // namespace kestrava
