// Which audio device is the handset's: the one rule for the routing and the
// mixer, on endpoints, on device names, and through the mixer's search.
#include <gtest/gtest.h>

#include "AudioTestSupport.h"
#include "audio/HandsetDeviceRule.h"
#include "audio/MixerControls.h"
#include "platform/MemoryAudioEndpoints.h"

namespace kestrava::testing {
namespace {

constexpr UsbIdentity kHandsetUsb{0x0C45, 0x1830};
constexpr UsbIdentity kOtherHeadsetUsb{0x046D, 0x0A44};

struct EndpointCase {
    const char* label;
    AudioEndpoint endpoint;
    bool handset;
};

class HandsetEndpointRule : public ::testing::TestWithParam<EndpointCase> {};

TEST_P(HandsetEndpointRule, DecidesByUsbIdentityElseByTheAdaptersName) {
    EXPECT_EQ(IsHandsetEndpoint(GetParam().endpoint), GetParam().handset);
}

INSTANTIATE_TEST_SUITE_P(
    Endpoints, HandsetEndpointRule,
    ::testing::Values(
        EndpointCase{"HandsetIdentityWhateverTheNames",
                     {"e1", "Speakers (Headset)", "Generic Audio", kHandsetUsb},
                     true},
        EndpointCase{"AnotherVendorsUsbHeadsetIsNotTheHandset",
                     {"e2", "Speakers (USB Audio Device)", "USB Audio Device", kOtherHeadsetUsb},
                     false},
        EndpointCase{"HandsetVendorWithoutTheProductBits",
                     {"e3", "Microphone (USB Camera)", "USB Camera", UsbIdentity{0x0C45, 0x0800}},
                     false},
        EndpointCase{"AdapterNameWhenNoIdentity",
                     {"e4", "Speakers (USB Audio Device)", "USB Audio Device", std::nullopt},
                     true},
        EndpointCase{"EndpointNameAloneNeverBeginsWithUsb",
                     {"e5", "Speakers (USB Audio Device)", "High Definition Audio", std::nullopt},
                     false},
        EndpointCase{"OwnNameWithoutAdapterName", {"e6", "USB Phone", "", std::nullopt}, true}),
    [](const auto& info) { return std::string(info.param.label); });

const std::vector<AudioEndpoint> kEndpoints = {
    {"r1", "Speakers (High Definition Audio)", "High Definition Audio", std::nullopt},
    {"r2", "Speakers (USB Audio Device)", "USB Audio Device", kOtherHeadsetUsb},
    {"r3", "Speakers (2- USB Audio Device)", "USB Audio Device", kHandsetUsb},
    {"c1", "Microphone (2- USB Audio Device with a long name)", "USB Audio Device", kHandsetUsb},
};

struct DeviceCase {
    const char* label;
    std::string deviceName;
    bool withEndpoints;
    bool handset;
};

class HandsetDeviceRule : public ::testing::TestWithParam<DeviceCase> {};

TEST_P(HandsetDeviceRule, JudgesADeviceThroughTheEndpointItIsNamedAfter) {
    const DeviceCase& c = GetParam();
    EXPECT_EQ(
        IsHandsetDevice(c.deviceName, c.withEndpoints ? kEndpoints : std::vector<AudioEndpoint>{}),
        c.handset);
}

INSTANTIATE_TEST_SUITE_P(
    Devices, HandsetDeviceRule,
    ::testing::Values(
        DeviceCase{"OldSystemUsbName", "USB Audio Device", false, true},
        DeviceCase{"OldSystemNameMustBeginWithUsb", "Generic USB Audio", false, false},
        DeviceCase{"OldSystemCaseCounts", "usb audio", false, false},
        DeviceCase{"EndpointNameOfTheHandset", "Speakers (2- USB Audio Device)", true, true},
        DeviceCase{"EndpointNameOfAnotherUsbHeadset", "Speakers (USB Audio Device)", true, false},
        DeviceCase{"NameCutTo31Characters", "Microphone (2- USB Audio Device", true, true},
        DeviceCase{"ShorterPrefixIsNoCut", "Microphone (2- USB", true, false},
        DeviceCase{"UnknownNameFallsBackToTheNameRule", "USB Phone", true, true}),
    [](const auto& info) { return std::string(info.param.label); });

struct PathCase {
    const char* label;
    const char* path;
    std::optional<UsbIdentity> identity;
};

class UsbPath : public ::testing::TestWithParam<PathCase> {};

TEST_P(UsbPath, GivesVendorAndProductOnlyWhenBothAreThere) {
    EXPECT_EQ(UsbIdentityOfPath(GetParam().path), GetParam().identity);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, UsbPath,
    ::testing::Values(
        PathCase{"InterfacePath",
                 "\\\\?\\USB#VID_0C45&PID_1830&MI_00#7&2a3b&0&0000#{6994ad04-93ef-11d0-a3cc-"
                 "00a0c9223196}\\global",
                 kHandsetUsb},
        PathCase{"LowerCase", "\\\\?\\usb#vid_046d&pid_0a44&mi_00#x", kOtherHeadsetUsb},
        PathCase{"InstanceId", "USB\\VID_0C45&PID_1830&MI_00\\7&2A3B", kHandsetUsb},
        PathCase{"NotUsb", "HDAUDIO\\FUNC_01&VEN_10EC&DEV_0887&SUBSYS_1043", std::nullopt},
        PathCase{"NoProduct", "\\\\?\\USB#VID_0C45#x", std::nullopt},
        PathCase{"BadDigits", "\\\\?\\USB#VID_0C4G&PID_1830#x", std::nullopt},
        PathCase{"TagInsideAWord", "\\\\?\\USB#XVID_0C45&XPID_1830#x", std::nullopt},
        PathCase{"CutShort", "USB\\VID_0C45&PID_18", std::nullopt}),
    [](const auto& info) { return std::string(info.param.label); });

// On a system with endpoints the mixer devices are named after them: the
// first device containing "USB" may be another headset, which the handset's
// controls must never take.
TEST(HandsetMixerSearch, TakesTheMixerOfTheHandsetsEndpointNotTheFirstUsbDevice) {
    MemoryAudioSystem audio;
    for (const AudioEndpoint& endpoint : kEndpoints) audio.AddMixer(endpoint.name);
    MemoryAudioEndpoints endpoints;
    endpoints.SetEndpoints(EndpointFlow::Playback, {kEndpoints[0], kEndpoints[1], kEndpoints[2]});
    endpoints.SetEndpoints(EndpointFlow::Record, {kEndpoints[3]});

    CMixerBase base(audio, {}, &endpoints);
    ASSERT_EQ(base.OpenHandsetMixer(0), 1);
    EXPECT_EQ(base.DeviceName(), "Speakers (2- USB Audio Device)");
    EXPECT_EQ(audio.OpenHandles(), 1u);

    // Without its endpoints the same system shows no device named "USB...".
    CMixerBase blind(audio);
    EXPECT_EQ(blind.OpenHandsetMixer(0), 0);
}

}  // namespace
}  // namespace kestrava::testing
