// Port: the system's audio endpoints, as current systems keep them. An
// endpoint is one playback or recording device the user sees ("Speakers
// (USB Audio Device)"); its adapter is the hardware behind it, named as older
// systems named the whole device ("USB Audio Device"). The default endpoint
// of each side is the one programs that do not choose use.
//
// A system without endpoints (one that predates them) lists none, has no
// default and sets none; it keeps its preferred devices elsewhere. Every text
// is UTF-8 on this port.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrava {

enum class EndpointFlow { Playback, Record };

// The USB vendor and product of an endpoint's adapter.
struct UsbIdentity {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    friend bool operator==(const UsbIdentity&, const UsbIdentity&) = default;
};

struct AudioEndpoint {
    std::string id;                  // the system's id, stable while the device exists
    std::string name;                // the friendly name the system's sound settings show
    std::string adapterName;         // the adapter's name; empty when the system gives none
    std::optional<UsbIdentity> usb;  // when the adapter is a USB device the system names
    friend bool operator==(const AudioEndpoint&, const AudioEndpoint&) = default;
};

class AudioEndpoints {
  public:
    virtual ~AudioEndpoints() = default;

    // The active endpoints of one side, in the system's order.
    virtual std::vector<AudioEndpoint> List(EndpointFlow flow) = 0;
    // The id of the side's default endpoint; nullopt when there is none.
    virtual std::optional<std::string> DefaultId(EndpointFlow flow) = 0;
    // Makes the endpoint the side's default for every use (general, media
    // and communications). False when the system refuses or cannot be asked.
    virtual bool SetDefault(EndpointFlow flow, const std::string& id) = 0;
};

// A system without the endpoint interfaces.
class NoAudioEndpoints final : public AudioEndpoints {
  public:
    std::vector<AudioEndpoint> List(EndpointFlow) override { return {}; }
    std::optional<std::string> DefaultId(EndpointFlow) override { return std::nullopt; }
    bool SetDefault(EndpointFlow, const std::string&) override { return false; }
};

// The USB vendor and product named in a device path or id
// ("\\?\USB#VID_0C45&PID_1830&MI_00#..."; any case); nullopt without both.
std::optional<UsbIdentity> UsbIdentityOfPath(std::string_view path);

// True when the system keeps endpoints: some endpoint is active on either side.
inline bool HasEndpoints(AudioEndpoints* endpoints) {
    return endpoints != nullptr && (!endpoints->List(EndpointFlow::Playback).empty() ||
                                    !endpoints->List(EndpointFlow::Record).empty());
}

}  // namespace kestrava
