// The handset's sound device kept out of the default endpoints, on a system
// with audio endpoints, and the endpoints as the Audio Device Settings dialog
// shows and sets them. The system no longer reads the Sound Mapper's values
// there: its default endpoints decide.
#pragma once

#include <string>

#include "app/AudioRouting.h"
#include "platform/AudioEndpoints.h"

namespace kestrava {

EndpointFlow FlowOf(AudioSide side);

// For each side whose default endpoint is the handset's (or that has none),
// makes the first endpoint that is not the handset's the default; a default
// that is not the handset's is the user's choice and stays. False, with
// nothing done, when the system has no endpoints: the Sound Mapper's values
// then still decide.
bool PreferNonHandsetEndpoints(AudioEndpoints& endpoints);

// The side's endpoints by their friendly names, in the system's order.
DeviceNames EndpointNames(AudioEndpoints& endpoints, AudioSide side);
// The friendly name of the side's default endpoint; empty when there is none.
std::string DefaultEndpointName(AudioEndpoints& endpoints, AudioSide side);
// Makes the endpoint named `name` the side's default unless it is already.
// False when no endpoint has that name or the system refuses.
bool SetDefaultEndpointByName(AudioEndpoints& endpoints, AudioSide side, const std::string& name);

}  // namespace kestrava
