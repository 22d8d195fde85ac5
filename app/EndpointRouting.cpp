#include "app/EndpointRouting.h"

#include <algorithm>
#include <vector>

#include "audio/HandsetDeviceRule.h"

namespace kestrava {

namespace {

const AudioEndpoint* FindById(const std::vector<AudioEndpoint>& list, const std::string& id) {
    auto found =
        std::find_if(list.begin(), list.end(), [&](const AudioEndpoint& e) { return e.id == id; });
    return found == list.end() ? nullptr : &*found;
}

void PreferNonHandsetSide(AudioEndpoints& endpoints, EndpointFlow flow) {
    const std::vector<AudioEndpoint> list = endpoints.List(flow);
    const std::optional<std::string> current = endpoints.DefaultId(flow);
    const AudioEndpoint* chosen = current ? FindById(list, *current) : nullptr;
    if (chosen && !IsHandsetEndpoint(*chosen)) return;
    auto other = std::find_if(list.begin(), list.end(),
                              [](const AudioEndpoint& e) { return !IsHandsetEndpoint(e); });
    if (other != list.end()) endpoints.SetDefault(flow, other->id);
}

}  // namespace

EndpointFlow FlowOf(AudioSide side) {
    return side == AudioSide::Playback ? EndpointFlow::Playback : EndpointFlow::Record;
}

bool PreferNonHandsetEndpoints(AudioEndpoints& endpoints) {
    if (!HasEndpoints(&endpoints)) return false;
    PreferNonHandsetSide(endpoints, EndpointFlow::Playback);
    PreferNonHandsetSide(endpoints, EndpointFlow::Record);
    return true;
}

DeviceNames EndpointNames(AudioEndpoints& endpoints, AudioSide side) {
    DeviceNames names;
    for (AudioEndpoint& endpoint : endpoints.List(FlowOf(side)))
        names.push_back(std::move(endpoint.name));
    return names;
}

std::string DefaultEndpointName(AudioEndpoints& endpoints, AudioSide side) {
    const EndpointFlow flow = FlowOf(side);
    const std::optional<std::string> id = endpoints.DefaultId(flow);
    if (!id) return {};
    const std::vector<AudioEndpoint> list = endpoints.List(flow);
    const AudioEndpoint* endpoint = FindById(list, *id);
    return endpoint ? endpoint->name : std::string();
}

bool SetDefaultEndpointByName(AudioEndpoints& endpoints, AudioSide side, const std::string& name) {
    const EndpointFlow flow = FlowOf(side);
    const std::vector<AudioEndpoint> list = endpoints.List(flow);
    auto found = std::find_if(list.begin(), list.end(),
                              [&](const AudioEndpoint& e) { return e.name == name; });
    if (found == list.end()) return false;
    if (endpoints.DefaultId(flow) == found->id) return true;
    return endpoints.SetDefault(flow, found->id);
}

}  // namespace kestrava
