// The text of a WM_COPYDATA packet: the bytes carried are exactly the
// input, in a buffer of their own size, so a read past cbData is caught.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/WindowSystem.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kestrava;
    auto bytes = std::make_unique<char[]>(size == 0 ? 1 : size);
    if (size > 0) std::memcpy(bytes.get(), data, size);
    CopyDataPacket packet{};
    packet.cbData = static_cast<decltype(packet.cbData)>(size);
    packet.lpData = size == 0 ? nullptr : bytes.get();
    std::string text = TextOfCopyData(reinterpret_cast<LParam>(&packet));
    if (text.size() > size || std::memchr(text.data(), 0, text.size()) != nullptr) std::abort();
    if (text.size() < size && data[text.size()] != 0) std::abort();
    return 0;
}
