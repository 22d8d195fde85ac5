#include "audio/HandsetDeviceRule.h"

#include "HandsetIdentity.h"

namespace kestrava {

namespace {

constexpr std::string_view kHandsetPrefix = "USB";
// The mixer and wave functions keep this many UTF-16 units of a name.
constexpr std::size_t kDeviceNameUnits = 31;

// UTF-16 units of a UTF-8 text: one per character, two beyond U+FFFF.
std::size_t Utf16Units(std::string_view utf8) {
    std::size_t units = 0;
    for (unsigned char byte : utf8) {
        if ((byte & 0xC0) != 0x80) ++units;
        if (byte >= 0xF0) ++units;
    }
    return units;
}

bool NamesEndpoint(const std::string& deviceName, const std::string& endpointName) {
    if (deviceName == endpointName) return true;
    return Utf16Units(deviceName) == kDeviceNameUnits && endpointName.starts_with(deviceName);
}

}  // namespace

bool IsHandsetName(std::string_view name) {
    return name.starts_with(kHandsetPrefix);
}

bool IsHandsetEndpoint(const AudioEndpoint& endpoint) {
    if (endpoint.usb) return IsHandsetUsbDevice(endpoint.usb->vendorId, endpoint.usb->productId);
    if (!endpoint.adapterName.empty()) return IsHandsetName(endpoint.adapterName);
    return IsHandsetName(endpoint.name);
}

std::vector<AudioEndpoint> AllEndpoints(AudioEndpoints* endpoints) {
    if (endpoints == nullptr) return {};
    std::vector<AudioEndpoint> all = endpoints->List(EndpointFlow::Playback);
    std::vector<AudioEndpoint> record = endpoints->List(EndpointFlow::Record);
    all.insert(all.end(), record.begin(), record.end());
    return all;
}

bool IsHandsetDevice(const std::string& deviceName, const std::vector<AudioEndpoint>& endpoints) {
    for (const AudioEndpoint& endpoint : endpoints) {
        if (NamesEndpoint(deviceName, endpoint.name)) return IsHandsetEndpoint(endpoint);
    }
    return IsHandsetName(deviceName);
}

}  // namespace kestrava
