// Types the handset's digits and signs into whatever window has the keyboard
// focus (normally Skype's dial field, which "FOCUS" has just selected).
#pragma once

#include <cstdint>

#include "platform/Desktop.h"

namespace kestrava {

class CKeystrokes {
  public:
    explicit CKeystrokes(Desktop& desktop) : m_desktop(desktop) {}

    // One key press for the button: 0xB0..0xB9 the digits, 0xBA "*", 0xBB "#"
    // (shift and "3"), 0xBE "+", 0x41 backspace. False, with nothing typed,
    // for any other code.
    bool TypeButton(int buttonCode);

  private:
    // Key down, 33 ms, key up.
    void Press(std::uint8_t virtualKey, std::uint8_t scanCode);

    Desktop& m_desktop;  // the port is stateless here; nothing else to guard
};

}  // namespace kestrava
