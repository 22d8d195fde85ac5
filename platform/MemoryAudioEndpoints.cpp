#include "MemoryAudioEndpoints.h"

#include <algorithm>

namespace kestrava {

void MemoryAudioEndpoints::SetEndpoints(EndpointFlow flow, std::vector<AudioEndpoint> endpoints) {
    std::lock_guard lock(m_lock);
    SideOf(flow).endpoints = std::move(endpoints);
}

void MemoryAudioEndpoints::ChangeDefault(EndpointFlow flow, std::optional<std::string> id) {
    std::lock_guard lock(m_lock);
    SideOf(flow).defaultId = std::move(id);
}

void MemoryAudioEndpoints::RefuseSetDefault(bool refuse) {
    std::lock_guard lock(m_lock);
    m_refuse = refuse;
}

std::vector<MemoryAudioEndpoints::DefaultSet> MemoryAudioEndpoints::DefaultsSet() const {
    std::lock_guard lock(m_lock);
    return m_set;
}

std::vector<AudioEndpoint> MemoryAudioEndpoints::List(EndpointFlow flow) {
    std::lock_guard lock(m_lock);
    return SideOf(flow).endpoints;
}

std::optional<std::string> MemoryAudioEndpoints::DefaultId(EndpointFlow flow) {
    std::lock_guard lock(m_lock);
    return SideOf(flow).defaultId;
}

// Only an active endpoint of that side can become its default, as on the system.
bool MemoryAudioEndpoints::SetDefault(EndpointFlow flow, const std::string& id) {
    std::lock_guard lock(m_lock);
    Side& side = SideOf(flow);
    const bool known = std::any_of(side.endpoints.begin(), side.endpoints.end(),
                                   [&](const AudioEndpoint& e) { return e.id == id; });
    if (m_refuse || !known) return false;
    side.defaultId = id;
    m_set.push_back({flow, id});
    return true;
}

}  // namespace kestrava
