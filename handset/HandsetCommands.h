// One-byte commands to the handset (SendCommand) and the transfer units that
// carry a text or a list entry to it (SendCommandData: value, control).
#pragma once

#include <cstdint>

namespace kestrava {

inline constexpr std::uint8_t HS_READY_DONE = 0x06;  // ends the ready announcement
inline constexpr std::uint8_t HS_STATUS_OFFLINE = 0x07;
inline constexpr std::uint8_t HS_END_TRANSFER = 0x1A;  // ends a text or list transfer
inline constexpr std::uint8_t HS_CALL_ACTIVE = 0x1F;
inline constexpr std::uint8_t HS_CALL_IDLE = 0x20;
inline constexpr std::uint8_t HS_MUTE_OFF = 0x2E;
inline constexpr std::uint8_t HS_MUTE_ON = 0x2F;
inline constexpr std::uint8_t HS_TEXT_RAW = 0x3E;   // a transfer in character mode follows
inline constexpr std::uint8_t HS_TEXT_FONT = 0x3F;  // a transfer of rendered text follows
inline constexpr std::uint8_t HS_READY = 0x51;      // the link is ready
// The own status symbols.
inline constexpr std::uint8_t HS_STATUS_DND = 0x72;
inline constexpr std::uint8_t HS_STATUS_ONLINE = 0x73;
inline constexpr std::uint8_t HS_STATUS_OFFLINE_SYMBOL = 0x74;
inline constexpr std::uint8_t HS_STATUS_SKYPEME = 0x75;
inline constexpr std::uint8_t HS_STATUS_AWAY = 0x76;
inline constexpr std::uint8_t HS_STATUS_NA = 0x77;
inline constexpr std::uint8_t HS_STATUS_INVISIBLE = 0x78;
inline constexpr std::uint8_t HS_CALL_ROUTING = 0x98;
inline constexpr std::uint8_t HS_CALL_ALERT = 0x9E;  // ring
inline constexpr std::uint8_t HS_CALL_FAILED = 0x9F;
inline constexpr std::uint8_t HS_SKYPE_FOCUS = 0xEE;
inline constexpr std::uint8_t HS_SKYPE_NOFOCUS = 0xEF;

// Acknowledgements of input reports: OR-ed with the report's sequence field.
inline constexpr std::uint8_t kAckTransferReply = 0x20;
inline constexpr std::uint8_t kAckNotHandled = 0x30;
inline constexpr std::uint8_t kAckHandled = 0x50;

// Transfer units.
namespace unit {
inline constexpr std::uint8_t kMarker = 0x0A;        // control byte of a section marker
inline constexpr std::uint8_t kStartControl = 0x4F;  // (0x00, 0x4F) starts an item or timer
inline constexpr std::uint8_t kToggleOff = 0x00;     // data units alternate 0x00, 0x05, ...
inline constexpr std::uint8_t kToggleOn = 0x05;
inline constexpr std::uint8_t kReachable = 0x6A;  // received call, reachable contact, item
inline constexpr std::uint8_t kOther = 0x6B;      // dialed call, unreachable contact
inline constexpr std::uint8_t kMissed = 0x6D;
inline constexpr std::uint8_t kStartTime = 0x80;
inline constexpr std::uint8_t kDuration = 0x81;
inline constexpr std::uint8_t kCallTimer = 0x83;
inline constexpr std::uint8_t kText = 0x70;
inline constexpr std::uint8_t kEnd = 0x1A;
}  // namespace unit

// Bits of CDeviceLibrary::m_nDisplayContent.
namespace display {
inline constexpr std::int32_t kSingleItem = 0x0001;
inline constexpr std::int32_t kAwaitAnnouncement = 0x0002;
inline constexpr std::int32_t kMuteOnKey = 0x0004;   // set by the mute-on key
inline constexpr std::int32_t kMuteOffKey = 0x0008;  // set by the mute-off key
inline constexpr std::int32_t kCharacterMode = 0x0010;
inline constexpr std::int32_t kFontMode = 0x0020;
inline constexpr std::int32_t kContactList = 0x0400;
inline constexpr std::int32_t kCallList = 0x0800;
inline constexpr std::int32_t kCallTimer = 0x2000;
}  // namespace display

}  // namespace kestrava
