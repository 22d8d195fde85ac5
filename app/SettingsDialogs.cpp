#include "app/SettingsDialogs.h"

#include <chrono>

#include "platform/Pause.h"
#include "protocol/CSkypeEngine.h"

namespace kestrava {

namespace {

constexpr LParam kTaken = 1;
// The volume dialog lingers this long after OK before it goes away.
constexpr std::chrono::milliseconds kVolumeClosePause{500};

bool IsClosingCommand(WParam wParam) {
    const int id = LowWord(wParam);
    return id == kOk || id == kCancel;
}

// Raises `counter` for the life of a dialog, whatever ends it.
class OpenCount {
  public:
    explicit OpenCount(std::atomic<std::int32_t>& counter) : m_counter(counter) {}
    ~OpenCount() {
        if (m_raised) --m_counter;
    }
    void Raise() {
        if (!m_raised) ++m_counter;
        m_raised = true;
    }

  private:
    std::atomic<std::int32_t>& m_counter;
    bool m_raised = false;
};

}  // namespace

SettingsDialogs::SettingsDialogs(DialogHost& dialogs, ShellState& shell)
    : m_dialogs(dialogs), m_shell(shell) {}

void SettingsDialogs::SetEngine(CSkypeEngine* engine) {
    std::lock_guard lock(m_mutex);
    m_engine = engine;
}

void SettingsDialogs::SetFaders(VolumeFaders* faders) {
    std::lock_guard lock(m_mutex);
    m_faders = faders;
}

void SettingsDialogs::SetAudioDevicesProcedure(WindowProc procedure) {
    std::lock_guard lock(m_mutex);
    m_audioDevicesProcedure = std::move(procedure);
}

// ---------------------------------------------------------------------------
// Opening. The main thread is the only caller; the lock is not held while a
// dialog's loop runs, so the loop can serve the main window's messages (a
// second menu command among them).

void SettingsDialogs::ShowAbout() {
    m_dialogs.RunModalDialog(IDD_ABOUT, [this](WindowHandle d, std::uint32_t m, WParam w,
                                               LParam l) { return AboutProcedure(d, m, w, l); });
}

void SettingsDialogs::ShowVolumeControl() {
    if (m_volumeOpen.load() != 0) return;
    m_dialogs.RunModalDialog(IDD_VOLUME, [this](WindowHandle d, std::uint32_t m, WParam w,
                                                LParam l) { return VolumeProcedure(d, m, w, l); });
}

void SettingsDialogs::ShowAdvancedSettings() {
    if (m_advancedOpen.load() != 0) return;
    m_dialogs.RunModalDialog(IDD_ADVANCED,
                             [this](WindowHandle d, std::uint32_t m, WParam w, LParam l) {
                                 return AdvancedProcedure(d, m, w, l);
                             });
}

void SettingsDialogs::ShowAudioDeviceSettings() {
    if (m_audioDevicesOpen.load() != 0) return;
    // The routing procedure owns the dialog's content; the counter is kept
    // here from WM_INITDIALOG until the dialog has ended, however it ends.
    OpenCount open(m_audioDevicesOpen);
    m_dialogs.RunModalDialog(IDD_AUDIO_DEVICES,
                             [this, &open](WindowHandle d, std::uint32_t m, WParam w, LParam l) {
                                 if (m == msg::kInitDialog) open.Raise();
                                 return AudioDevicesProcedure(d, m, w, l);
                             });
}

// ---------------------------------------------------------------------------
// Procedures

LParam SettingsDialogs::AboutProcedure(WindowHandle dialog, std::uint32_t message, WParam wParam,
                                       LParam) {
    std::lock_guard lock(m_mutex);
    if (message == msg::kInitDialog) {
        char text[kCustomerInfoSize] = {};
        // A missing text leaves the buffer empty: the box shows an empty block.
        if (m_engine) m_engine->GetCustomerInfo(text);
        text[kCustomerInfoSize - 1] = '\0';
        m_dialogs.SetControlText(dialog, IDC_CUSTOMER_INFO, text);
        return kTaken;
    }
    if (message == msg::kCommand && IsClosingCommand(wParam)) {
        m_dialogs.EndDialog(dialog, LowWord(wParam));
        return kTaken;
    }
    return 0;
}

int SettingsDialogs::SpeakerLevel31() {
    return m_faders ? m_faders->SpeakerLevel31() : 0;
}

int SettingsDialogs::MicrophoneLevel31() {
    return m_faders ? m_faders->MicrophoneLevel31() : 0;
}

LParam SettingsDialogs::VolumeProcedure(WindowHandle dialog, std::uint32_t message, WParam wParam,
                                        LParam) {
    std::lock_guard lock(m_mutex);
    switch (message) {
        case msg::kInitDialog:
            m_dialogs.SetTrackbarRange(dialog, IDC_MIC_SLIDER, 0, kTopLevel);
            m_dialogs.SetTrackbarRange(dialog, IDC_SPEAKER_SLIDER, 0, kTopLevel);
            m_lastSpeakerLevel = SpeakerLevel31();
            m_lastMicLevel = MicrophoneLevel31();
            // Upside down: the top of a slider is full level.
            m_dialogs.SetTrackbarPosition(dialog, IDC_MIC_SLIDER, kTopLevel - m_lastMicLevel);
            m_dialogs.SetTrackbarPosition(dialog, IDC_SPEAKER_SLIDER,
                                          kTopLevel - m_lastSpeakerLevel);
            ++m_volumeOpen;
            return kTaken;
        case msg::kVScroll: {
            const int mic = kTopLevel - m_dialogs.TrackbarPosition(dialog, IDC_MIC_SLIDER);
            const int speaker = kTopLevel - m_dialogs.TrackbarPosition(dialog, IDC_SPEAKER_SLIDER);
            // One fader per notice; the microphone is looked at first.
            if (mic != m_lastMicLevel) {
                m_lastMicLevel = mic;
                if (m_faders) m_faders->SetMicrophoneFader(kDialogLevelKind, mic);
            } else if (speaker != m_lastSpeakerLevel) {
                m_lastSpeakerLevel = speaker;
                if (m_faders) m_faders->SetSpeakerFader(kDialogLevelKind, speaker);
            }
            return kTaken;
        }
        case msg::kCommand:
            if (!IsClosingCommand(wParam)) return 0;
            --m_volumeOpen;
            Pause(kVolumeClosePause);
            m_dialogs.EndDialog(dialog, LowWord(wParam));
            return kTaken;
        default:
            return 0;
    }
}

LParam SettingsDialogs::AdvancedProcedure(WindowHandle dialog, std::uint32_t message, WParam wParam,
                                          LParam) {
    std::lock_guard lock(m_mutex);
    if (message == msg::kInitDialog) {
        // The ring list is hidden in every language but filled all the same.
        if (m_engine) m_engine->FillRingList(m_dialogs, dialog, IDC_RING_LIST);
        m_dialogs.SetChecked(dialog, IDC_AUTO_SWITCH_AUDIO,
                             m_shell.SupportAutoSwitchAudioDevice.load() != 0);
        m_dialogs.SetChecked(dialog, IDC_AUTO_RUN_SKYPE, m_shell.SupportAutoRunSkype.load() != 0);
        m_dialogs.SelectComboIndex(dialog, IDC_RING_LIST, m_ringIndex);
        ++m_advancedOpen;
        return kTaken;
    }
    if (message != msg::kCommand) return 0;
    if (IsClosingCommand(wParam)) {
        // Esc and the close box keep the changes just as OK does.
        m_shell.SupportAutoSwitchAudioDevice =
            m_dialogs.IsChecked(dialog, IDC_AUTO_SWITCH_AUDIO) ? 1 : 0;
        m_shell.SupportAutoRunSkype = m_dialogs.IsChecked(dialog, IDC_AUTO_RUN_SKYPE) ? 1 : 0;
        --m_advancedOpen;
        m_dialogs.EndDialog(dialog, LowWord(wParam));
        return kTaken;
    }
    if (HighWord(wParam) == kComboSelChange) {
        m_ringIndex = m_dialogs.ComboSelection(dialog, IDC_RING_LIST);
        return kTaken;
    }
    return 0;
}

LParam SettingsDialogs::AudioDevicesProcedure(WindowHandle dialog, std::uint32_t message,
                                              WParam wParam, LParam lParam) {
    WindowProc procedure;
    {
        std::lock_guard lock(m_mutex);
        procedure = m_audioDevicesProcedure;
    }
    if (procedure) return procedure(dialog, message, wParam, lParam);
    if (message == msg::kInitDialog) return kTaken;
    if (message == msg::kCommand && IsClosingCommand(wParam)) {
        m_dialogs.EndDialog(dialog, LowWord(wParam));
        return kTaken;
    }
    return 0;
}

}  // namespace kestrava
