// The system's audio endpoints through the endpoint interfaces (the device
// enumerator and each endpoint's property store and topology). On a system
// that predates them the enumerator cannot be created: no endpoints are
// listed, none is the default and setting one fails.
//
// Each call initialises COM for its own duration, so any thread may call.
#pragma once

#include "platform/AudioEndpoints.h"

namespace kestrava {

class Win32AudioEndpoints final : public AudioEndpoints {
  public:
    std::vector<AudioEndpoint> List(EndpointFlow flow) override;
    std::optional<std::string> DefaultId(EndpointFlow flow) override;
    // Through the policy interface the system's own sound settings use; a
    // system without it (Wine has none) refuses.
    bool SetDefault(EndpointFlow flow, const std::string& id) override;
};

}  // namespace kestrava
