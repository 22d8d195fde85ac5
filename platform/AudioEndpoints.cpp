#include "AudioEndpoints.h"

#include <cctype>

namespace kestrava {

namespace {

// Four hexadecimal digits after "<tag>_" where the tag starts a field of the
// path (after '#', '\', '&' or at its start).
std::optional<std::uint16_t> Field(std::string_view path, std::string_view tag) {
    auto lower = [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    };
    for (std::size_t at = 0; at + tag.size() + 5 <= path.size(); ++at) {
        if (at > 0 && path[at - 1] != '#' && path[at - 1] != '\\' && path[at - 1] != '&') continue;
        bool same = true;
        for (std::size_t k = 0; k < tag.size() && same; ++k) same = lower(path[at + k]) == tag[k];
        if (!same || path[at + tag.size()] != '_') continue;
        std::uint16_t value = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const char c = lower(path[at + tag.size() + 1 + k]);
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                     : -1;
            if (digit < 0) return std::nullopt;
            value = static_cast<std::uint16_t>(value * 16 + digit);
        }
        return value;
    }
    return std::nullopt;
}

}  // namespace

std::optional<UsbIdentity> UsbIdentityOfPath(std::string_view path) {
    const std::optional<std::uint16_t> vendor = Field(path, "vid");
    const std::optional<std::uint16_t> product = Field(path, "pid");
    if (!vendor || !product) return std::nullopt;
    return UsbIdentity{*vendor, *product};
}

}  // namespace kestrava
