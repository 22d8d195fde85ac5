// The system's mixer vocabulary: line component types, control types and
// flags with the values the system gives them, and their constant names for
// diagnostic texts.
#pragma once

#include <cstdint>
#include <string>

namespace kestrava::mixer {

inline constexpr std::uint32_t kDstSpeakers = 4;         // MIXERLINE_COMPONENTTYPE_DST_SPEAKERS
inline constexpr std::uint32_t kDstWaveIn = 7;           // MIXERLINE_COMPONENTTYPE_DST_WAVEIN
inline constexpr std::uint32_t kSrcFirst = 0x1000;       // MIXERLINE_COMPONENTTYPE_SRC_FIRST
inline constexpr std::uint32_t kSrcMicrophone = 0x1003;  // MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE
inline constexpr std::uint32_t kSrcLast = 0x100A;        // MIXERLINE_COMPONENTTYPE_SRC_LAST
// One above the last source type: the control of the destination line itself.
inline constexpr std::uint32_t kDestinationItself = kSrcLast + 1;

inline constexpr std::uint32_t kVolume = 0x50030001;  // MIXERCONTROL_CONTROLTYPE_VOLUME
inline constexpr std::uint32_t kMute = 0x20010002;    // MIXERCONTROL_CONTROLTYPE_MUTE

inline constexpr std::uint32_t kFlagUniform = 1;   // MIXERCONTROL_CONTROLF_UNIFORM
inline constexpr std::uint32_t kFlagMultiple = 2;  // MIXERCONTROL_CONTROLF_MULTIPLE

inline constexpr std::uint32_t kUnitsMask = 0x00FF0000;  // MIXERCONTROL_CT_UNITS_MASK
inline constexpr std::uint32_t kUnitsBoolean = 0x00010000;
inline constexpr std::uint32_t kUnitsSigned = 0x00020000;
inline constexpr std::uint32_t kUnitsUnsigned = 0x00030000;
inline constexpr std::uint32_t kUnitsDecibels = 0x00040000;
inline constexpr std::uint32_t kUnitsPercent = 0x00050000;

inline constexpr std::uint32_t kClassMask = 0xF0000000;    // MIXERCONTROL_CT_CLASS_MASK
inline constexpr std::uint32_t kClassSwitch = 0x20000000;  // MIXERCONTROL_CT_CLASS_SWITCH
inline constexpr std::uint32_t kClassList = 0x70000000;    // MIXERCONTROL_CT_CLASS_LIST

// "MIXERLINE_COMPONENTTYPE_DST_SPEAKERS", ...; an unknown value as 0x%08X.
std::string LineTypeName(std::uint32_t componentType);
// "MIXERCONTROL_CONTROLTYPE_VOLUME", ...; an unknown value as 0x%08X.
std::string ControlTypeName(std::uint32_t controlType);

}  // namespace kestrava::mixer
