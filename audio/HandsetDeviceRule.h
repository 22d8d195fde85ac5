// Which audio device is the handset's: one rule for keeping the handset out
// of the system's preferred devices and for finding the handset's mixer.
//
// - By USB identity where the system gives it: the adapter has the handset's
//   vendor and one of its product ids (include/HandsetIdentity.h).
// - Else by name: the adapter's name begins with "USB" (case-sensitive). The
//   adapter's name is what older systems called the whole device ("USB Audio
//   Device"); a current system names the endpoint after it ("Speakers (USB
//   Audio Device)"), which the name rule never sees. On a system without
//   endpoints the device's own name is the adapter's name.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/AudioEndpoints.h"

namespace kestrava {

// The name rule alone: the name begins with "USB".
bool IsHandsetName(std::string_view name);
bool IsHandsetEndpoint(const AudioEndpoint& endpoint);

// The endpoints of both sides, for IsHandsetDevice; none without endpoints
// (`endpoints` may be null).
std::vector<AudioEndpoint> AllEndpoints(AudioEndpoints* endpoints);

// A mixer or wave device by its name. A system with endpoints names such a
// device after its endpoint (cut to 31 characters), and that endpoint
// decides; a name no endpoint has is judged by the name rule.
bool IsHandsetDevice(const std::string& deviceName, const std::vector<AudioEndpoint>& endpoints);

}  // namespace kestrava
