#include "app/AudioDeviceSettings.h"

#include <system_error>

#include "app/EndpointRouting.h"

namespace kestrava {

namespace {

constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
// How long one look of the stopping dialog waits for a sent message.
constexpr std::chrono::milliseconds kStopPumpStep{10};

int BoxOf(AudioSide side) {
    return side == AudioSide::Playback ? IDC_SPEAKER_DEVICE : IDC_MIC_DEVICE;
}

const char* ValueOf(AudioSide side) {
    return side == AudioSide::Playback ? kPlaybackValue : kRecordValue;
}

}  // namespace

AudioDeviceSettings::AudioDeviceSettings(Registry& registry, AudioSystem& audio,
                                         std::atomic<std::int32_t>& autoSwitchFlag,
                                         std::chrono::milliseconds watchInterval)
    : m_registry(registry),
      m_audio(audio),
      m_autoSwitch(autoSwitchFlag),
      m_interval(watchInterval) {}

AudioDeviceSettings::~AudioDeviceSettings() {
    std::lock_guard lock(m_lock);
    {
        std::lock_guard wake(m_wakeLock);
        m_runWatcher = false;
    }
    m_wake.notify_all();
    if (m_watcher.joinable()) m_watcher.join();
}

void AudioDeviceSettings::OnInitDialog(AudioDeviceDialogView& view,
                                       const std::string& noSpeakerText,
                                       const std::string& noMicText) {
    std::lock_guard lock(m_lock);
    // Open from here on, whatever the steps below meet.
    if (!m_shown) ++m_openCount;
    m_shown = true;
    view.SetAutoSwitchChecked(m_autoSwitch.load() != 0);
    m_useEndpoints = HasEndpoints(m_endpoints);

    const DeviceNames outputs = Names(AudioSide::Playback);
    const DeviceNames inputs = Names(AudioSide::Record);
    FillBox(view, IDC_SPEAKER_DEVICE, outputs, noSpeakerText);
    FillBox(view, IDC_MIC_DEVICE, inputs, noMicText);

    bool watch = true;
    Shown shown;
    if (!outputs.empty() || !inputs.empty()) {
        // Without the stored choices the boxes keep their lists unselected
        // and nothing is followed.
        const Registry::Key key = m_useEndpoints ? 0 : m_registry.OpenUserKey(kSoundMapperKey);
        watch = (key != 0 || m_useEndpoints) && SelectStored(view, key, &shown);
        if (key) m_registry.CloseKey(key);
    }
    if (watch) StartWatcher(view, std::move(shown));
}

// Every device at its own index, so a box's index is the device's index. A
// device whose name cannot be read gets an empty line, which matches no device.
void AudioDeviceSettings::FillBox(AudioDeviceDialogView& view, int comboId,
                                  const DeviceNames& names, const std::string& noneText) {
    if (names.empty()) {
        view.InsertText(comboId, 0, noneText);
        view.SelectIndex(comboId, 0);
        view.CloseDropDown(comboId);
        return;
    }
    for (std::size_t i = 0; i < names.size(); ++i)
        view.InsertText(comboId, static_cast<int>(i), names[i].value_or(std::string()));
}

bool AudioDeviceSettings::SelectStored(AudioDeviceDialogView& view, Registry::Key key,
                                       Shown* shown) {
    for (AudioSide side : {AudioSide::Playback, AudioSide::Record}) {
        const DeviceNames names = Names(side);
        if (names.empty()) continue;
        std::string stored;
        if (!ReadChoice(key, side, &stored)) return false;
        const int index = FindDevice(names, stored);
        view.SelectIndex(BoxOf(side), index < 0 ? 0 : index);
        (side == AudioSide::Playback ? shown->playback : shown->record) = std::move(stored);
    }
    return true;
}

bool AudioDeviceSettings::OnCommand(AudioDeviceDialogView& view, int commandId) {
    if (commandId != kIdOk && commandId != kIdCancel) return false;
    std::lock_guard lock(m_lock);
    // Esc and the close box keep the choices just as OK does.
    m_autoSwitch = view.AutoSwitchChecked() ? 1 : 0;
    StopWatcher(view);
    WriteSelected(view);
    Closed();
    return true;
}

void AudioDeviceSettings::OnDestroy(AudioDeviceDialogView& view) {
    std::lock_guard lock(m_lock);
    StopWatcher(view);
    Closed();
}

void AudioDeviceSettings::Closed() {
    if (!m_shown) return;
    m_shown = false;
    --m_openCount;
}

// Only names that a device has are written: "No Speaker" or a device that
// went away never becomes the preferred device.
void AudioDeviceSettings::WriteSelected(AudioDeviceDialogView& view) {
    const Registry::Key key = m_useEndpoints ? 0 : m_registry.OpenUserKey(kSoundMapperKey);
    if (!key && !m_useEndpoints) return;
    for (AudioSide side : {AudioSide::Playback, AudioSide::Record}) {
        const std::string selected = view.SelectedText(BoxOf(side));
        if (selected.empty()) continue;
        if (FindDevice(Names(side), selected) >= 0) WriteChoice(key, side, selected);
    }
    if (key) m_registry.CloseKey(key);
}

void AudioDeviceSettings::StartWatcher(AudioDeviceDialogView& view, Shown shown) {
    if (m_watcherRunning.load()) return;
    if (m_watcher.joinable()) m_watcher.join();  // ended by itself before
    m_runWatcher = true;
    m_watcherRunning = true;
    try {
        m_watcher = std::thread([this, &view, shown] { Watch(&view, shown); });
    } catch (const std::system_error&) {
        // Without a watcher the dialog still works; it just does not follow.
        m_runWatcher = false;
        m_watcherRunning = false;
    }
}

// The watcher may be sending to the dialog's windows right now, so the
// dialog's thread keeps answering while it waits; the view is never used
// after this returns.
void AudioDeviceSettings::StopWatcher(AudioDeviceDialogView& view) {
    std::lock_guard lock(m_lock);
    {
        std::lock_guard wake(m_wakeLock);
        m_runWatcher = false;
    }
    m_wake.notify_all();
    while (m_watcherRunning.load()) view.AnswerSentMessages(kStopPumpStep);
    if (m_watcher.joinable()) m_watcher.join();
}

bool AudioDeviceSettings::WaitForNextPass() {
    std::unique_lock wake(m_wakeLock);
    return !m_wake.wait_for(wake, m_interval, [this] { return !m_runWatcher.load(); });
}

// The watcher thread takes no lock of this object: the dialog's thread holds
// it while it waits for the watcher to end.
void AudioDeviceSettings::Watch(AudioDeviceDialogView* view, Shown shown) {
    const Registry::Key key = m_useEndpoints ? 0 : m_registry.OpenUserKey(kSoundMapperKey);
    if (key || m_useEndpoints) {
        while (m_runWatcher.load()) {
            if (!FollowSide(*view, key, AudioSide::Playback, &shown.playback)) break;
            if (!FollowSide(*view, key, AudioSide::Record, &shown.record)) break;
            if (!WaitForNextPass()) break;
        }
        if (key) m_registry.CloseKey(key);
    }
    m_watcherRunning = false;
}

// A value changed elsewhere moves the box to that device unless the box
// already shows it. The watcher starts from the values the boxes were set
// from, so a change made just after they were read is followed too; a side
// whose value was not read learns it in the first pass.
bool AudioDeviceSettings::FollowSide(AudioDeviceDialogView& view, Registry::Key key, AudioSide side,
                                     std::optional<std::string>* remembered) {
    std::string current;
    if (!ReadChoice(key, side, &current)) return false;
    if (!*remembered) {
        *remembered = current;
        return true;
    }
    if (current == **remembered) return true;
    if (view.SelectedText(BoxOf(side)) != current) {
        const int index = FindDevice(Names(side), current);
        if (index >= 0) view.SelectIndex(BoxOf(side), index);
        *remembered = current;
    }
    return true;
}

DeviceNames AudioDeviceSettings::Names(AudioSide side) {
    return m_useEndpoints ? EndpointNames(*m_endpoints, side) : ReadDeviceNames(m_audio, side);
}

// A default endpoint can always be read; a side without one reads as empty.
bool AudioDeviceSettings::ReadChoice(Registry::Key key, AudioSide side, std::string* name) {
    if (m_useEndpoints) {
        *name = DefaultEndpointName(*m_endpoints, side);
        return true;
    }
    return m_registry.ReadString(key, ValueOf(side), kSoundMapperTextCapacity, name);
}

void AudioDeviceSettings::WriteChoice(Registry::Key key, AudioSide side, const std::string& name) {
    if (m_useEndpoints)
        SetDefaultEndpointByName(*m_endpoints, side, name);
    else
        m_registry.WriteString(key, ValueOf(side), name);
}

}  // namespace kestrava
