// Audio endpoints held in memory: what tests and simulation mode configure.
// Setting a default can be refused, as a system without the interface for it
// refuses; every default set is recorded.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "AudioEndpoints.h"

namespace kestrava {

class MemoryAudioEndpoints final : public AudioEndpoints {
  public:
    struct DefaultSet {
        EndpointFlow flow;
        std::string id;
        friend bool operator==(const DefaultSet&, const DefaultSet&) = default;
    };

    void SetEndpoints(EndpointFlow flow, std::vector<AudioEndpoint> endpoints);
    // Changes the default as the system's own settings would (nothing recorded).
    void ChangeDefault(EndpointFlow flow, std::optional<std::string> id);
    void RefuseSetDefault(bool refuse);
    std::vector<DefaultSet> DefaultsSet() const;

    std::vector<AudioEndpoint> List(EndpointFlow flow) override;
    std::optional<std::string> DefaultId(EndpointFlow flow) override;
    bool SetDefault(EndpointFlow flow, const std::string& id) override;

  private:
    struct Side {
        std::vector<AudioEndpoint> endpoints;
        std::optional<std::string> defaultId;
    };
    Side& SideOf(EndpointFlow flow) {
        return flow == EndpointFlow::Playback ? m_playback : m_record;
    }

    mutable std::mutex m_lock;
    Side m_playback;
    Side m_record;
    bool m_refuse = false;
    std::vector<DefaultSet> m_set;
};

}  // namespace kestrava
