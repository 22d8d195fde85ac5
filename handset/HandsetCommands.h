// One-byte commands the program sends to the handset with SendCommand.
#pragma once

#include <cstdint>

enum HandsetCommand : std::uint8_t {
    HS_STATUS_OFFLINE = 0x07,
    HS_END_TRANSFER = 0x1A,  // ends a text or list transfer
    HS_CALL_ACTIVE = 0x1F,
    HS_CALL_IDLE = 0x20,
    HS_TEXT_RAW = 0x3E,   // a transfer in character mode follows
    HS_TEXT_FONT = 0x3F,  // a transfer of rendered text follows
    HS_CALL_ROUTING = 0x98,
    HS_CALL_ALERT = 0x9E,  // ring
    HS_CALL_FAILED = 0x9F,
};

// Bits of CDeviceLibrary::m_nDisplayContent: what the upload worker sends
// when the handset asks for the transfer announced last.
enum DisplayContent : std::int32_t {
    DISPLAY_SINGLE_TEXT = 0x0001,
    DISPLAY_CALLER_HANDLE = 0x0010,
    DISPLAY_CALLER_NAME = 0x0020,
    DISPLAY_CALL_TIMER = 0x2000,
};
