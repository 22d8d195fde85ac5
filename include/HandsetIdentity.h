// The handset's USB identity, shared by the HID library and the program. The
// library opens a HID device of this vendor whose product id has every bit of
// the product mask set; the handset's sound function is part of the same USB
// device, so its audio adapter carries the same vendor and product.
#pragma once

#include <cstdint>

inline constexpr std::uint16_t kHandsetVendorId = 0x0C45;
inline constexpr std::uint16_t kHandsetProductMask = 0x1800;

constexpr bool IsHandsetUsbDevice(std::uint16_t vendorId, std::uint16_t productId) {
    return vendorId == kHandsetVendorId && (productId & kHandsetProductMask) == kHandsetProductMask;
}
