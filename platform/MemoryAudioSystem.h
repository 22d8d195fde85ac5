// An audio system held in memory: what tests and simulation mode configure.
// Mixer devices with their product names, destination and source lines and
// controls with their values; wave devices with their names. A control whose
// values change (written through an open mixer, or set from "elsewhere" with
// SetControlValues) posts MM_MIXM_CONTROL_CHANGE to every window that opened
// that mixer with a notify window, as the system does.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "AudioSystem.h"
#include "WindowSystem.h"

namespace kestrava {

class MemoryAudioSystem final : public AudioSystem {
  public:
    // The source index that stands for the destination line itself.
    static constexpr std::uint32_t kDestinationLine = 0xFFFFFFFF;

    // Notices are posted through `notices`; without one none are posted.
    explicit MemoryAudioSystem(WindowSystem* notices = nullptr) : m_notices(notices) {}

    // Configuration. Each returns the index (or control id) of what it added.
    std::uint32_t AddMixer(const std::string& productName);
    // The device opens, but its capabilities cannot be read.
    void SetCapabilitiesUnreadable(std::uint32_t mixer);
    // mixerOpen refuses the device.
    void SetOpenRefused(std::uint32_t mixer);
    std::uint32_t AddDestination(std::uint32_t mixer, std::uint32_t componentType,
                                 std::uint32_t channels, const std::string& name = {});
    std::uint32_t AddSource(std::uint32_t mixer, std::uint32_t destination,
                            std::uint32_t componentType, std::uint32_t channels,
                            const std::string& name = {});
    // Adds a control to a source line, or to the destination line itself with
    // `source` = kDestinationLine. Its values start at `initial` (one word per
    // channel, or per channel and item of a multiple-item control; a uniform
    // control keeps one per item). The control id is assigned here, unique in
    // the whole system, and returned.
    std::uint32_t AddControl(std::uint32_t mixer, std::uint32_t destination, std::uint32_t source,
                             MixerControlInfo control, std::uint32_t initial = 0);
    void AddWaveOutput(const std::string& name, bool readable = true);
    void AddWaveInput(const std::string& name, bool readable = true);

    // A change made elsewhere (another program, the user): false for an unknown
    // control or a wrong number of values.
    bool SetControlValues(std::uint32_t controlId, const std::vector<std::uint32_t>& values);
    std::vector<std::uint32_t> ControlValues(std::uint32_t controlId) const;
    // Handles still open (a test checks that nothing is left open).
    std::size_t OpenHandles() const;

    // AudioSystem
    std::uint32_t MixerDeviceCount() override;
    MixerHandle OpenMixer(std::uint32_t index, WindowHandle notifyWindow) override;
    void CloseMixer(MixerHandle mixer) override;
    bool Capabilities(MixerHandle mixer, MixerCapabilities* capabilities) override;
    bool DestinationLine(MixerHandle mixer, std::uint32_t destination,
                         MixerLineInfo* line) override;
    bool SourceLine(MixerHandle mixer, std::uint32_t destination, std::uint32_t source,
                    MixerLineInfo* line) override;
    bool ControlByType(MixerHandle mixer, std::uint32_t lineId, std::uint32_t controlType,
                       MixerControlInfo* control) override;
    bool ReadControl(MixerHandle mixer, const MixerValueShape& shape, std::uint32_t* values,
                     std::size_t count) override;
    bool WriteControl(MixerHandle mixer, const MixerValueShape& shape, const std::uint32_t* values,
                      std::size_t count) override;
    std::uint32_t WaveOutputCount() override;
    std::uint32_t WaveInputCount() override;
    bool WaveOutputName(std::uint32_t index, std::string* name) override;
    bool WaveInputName(std::uint32_t index, std::string* name) override;

  private:
    struct Control {
        MixerControlInfo info;
        std::uint32_t channels = 1;  // words per item as stored
        std::vector<std::uint32_t> values;
    };
    struct Line {
        MixerLineInfo info;
        std::vector<Control> controls;
    };
    struct Destination {
        Line line;
        std::vector<Line> sources;
    };
    struct Mixer {
        std::string productName;
        bool capabilitiesReadable = true;
        bool openRefused = false;
        std::vector<Destination> destinations;
    };
    struct OpenMixerEntry {
        MixerHandle handle;
        std::uint32_t index;
        WindowHandle notifyWindow;
    };
    struct WaveDevice {
        std::string name;
        bool readable;
    };
    struct Notice {
        WindowHandle window;
        MixerHandle handle;
        std::uint32_t controlId;
    };

    Mixer* MixerOf(MixerHandle handle, std::uint32_t* index = nullptr);
    Line* LineOf(std::uint32_t mixer, std::uint32_t destination, std::uint32_t source);
    Control* FindControl(std::uint32_t controlId, std::uint32_t* mixer = nullptr);
    static bool ShapeFits(const Control& control, const MixerValueShape& shape, std::size_t count);
    // Stores the values; gives the notices to post once the lock is let go.
    std::vector<Notice> Store(std::uint32_t mixer, Control& control, const MixerValueShape& shape,
                              const std::uint32_t* values);
    void Post(const std::vector<Notice>& notices);
    static bool WaveName(const std::vector<WaveDevice>& devices, std::uint32_t index,
                         std::string* name);

    WindowSystem* m_notices;
    mutable std::recursive_mutex m_lock;
    std::vector<Mixer> m_mixers;
    std::vector<OpenMixerEntry> m_open;
    std::vector<WaveDevice> m_waveOutputs;
    std::vector<WaveDevice> m_waveInputs;
    MixerHandle m_nextHandle = 0x100;
    std::uint32_t m_nextControlId = 1;
};

}  // namespace kestrava
