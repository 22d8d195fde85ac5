#include "handset/Keystrokes.h"

#include <chrono>

#include "platform/Pause.h"

namespace kestrava {

namespace {

constexpr std::uint8_t kVkDigit0 = 0x30;
constexpr std::uint8_t kVkMultiply = 0x6A;  // numeric keypad "*"
constexpr std::uint8_t kVkAdd = 0x6B;       // numeric keypad "+"
constexpr std::uint8_t kVkBackspace = 0x08;
constexpr std::uint8_t kVkLeftShift = 0xA0;
constexpr std::uint8_t kPoundDigit = 3;  // "#" is shift and "3"

constexpr auto kHold = std::chrono::milliseconds(33);
constexpr auto kShiftSettle = std::chrono::milliseconds(1);

}  // namespace

bool CKeystrokes::TypeButton(int buttonCode) {
    if (buttonCode >= 0xB0 && buttonCode <= 0xB9) {
        auto digit = static_cast<std::uint8_t>(buttonCode - 0xB0);
        Press(static_cast<std::uint8_t>(kVkDigit0 + digit), digit);
        return true;
    }
    switch (buttonCode) {
        case 0xBA:
            Press(kVkMultiply, kVkMultiply);
            return true;
        case 0xBB:
            m_desktop.InjectKey(kVkLeftShift, kVkLeftShift, false);
            Pause(kShiftSettle);
            Press(kVkDigit0 + kPoundDigit, kPoundDigit);
            Pause(kShiftSettle);
            m_desktop.InjectKey(kVkLeftShift, kVkLeftShift, true);
            return true;
        case 0xBE:
            Press(kVkAdd, kVkAdd);
            return true;
        case 0x41:
            Press(kVkBackspace, kVkBackspace);
            return true;
        default:
            return false;
    }
}

void CKeystrokes::Press(std::uint8_t virtualKey, std::uint8_t scanCode) {
    m_desktop.InjectKey(virtualKey, scanCode, false);
    Pause(kHold);
    m_desktop.InjectKey(virtualKey, scanCode, true);
}

}  // namespace kestrava
