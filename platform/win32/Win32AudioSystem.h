// The system's mixer and wave devices through winmm. Every name is read in
// UTF-16 and handed out as UTF-8, whatever the system's code page.
#pragma once

#include "platform/AudioSystem.h"

namespace kestrava {

class Win32AudioSystem final : public AudioSystem {
  public:
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
};

}  // namespace kestrava
