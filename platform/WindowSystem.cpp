#include "WindowSystem.h"

#include <cstring>

namespace kestrava {

bool SendText(WindowSystem& windows, WindowHandle target, WindowHandle sender,
              const std::string& text, std::chrono::milliseconds timeout) {
    if (target == 0) return false;
    CopyDataPacket packet{0, static_cast<std::uint32_t>(text.size() + 1), text.c_str()};
    auto result =
        windows.Send(target, msg::kCopyData, sender, reinterpret_cast<LParam>(&packet), timeout);
    return result.has_value() && *result != 0;
}

std::string TextOfCopyData(LParam lParam) {
    const auto* packet = reinterpret_cast<const CopyDataPacket*>(lParam);
    if (packet == nullptr || packet->lpData == nullptr) return {};
    const char* data = static_cast<const char*>(packet->lpData);
    // Taken up to the terminating zero, but never past the bytes that were carried.
    std::size_t limit = packet->cbData;
    const void* zero = std::memchr(data, 0, limit);
    return std::string(data, zero ? static_cast<const char*>(zero) - data : limit);
}

}  // namespace kestrava
