#include <gtest/gtest.h>

#include <set>

#include "FakeWaveDevices.h"
#include "app/AudioRouting.h"
#include "platform/MemoryRegistry.h"

namespace kestrava {
namespace {

using testing::FakeWaveDevices;
using Values = MemoryRegistry::Values;

// A registry whose writes of the named values fail.
class FailingRegistry : public MemoryRegistry {
  public:
    std::set<std::string> failing;
    bool WriteString(Key key, const std::string& name, const std::string& value) override {
        return !failing.contains(name) && MemoryRegistry::WriteString(key, name, value);
    }
    bool WriteDword(Key key, const std::string& name, std::uint32_t value) override {
        return !failing.contains(name) && MemoryRegistry::WriteDword(key, name, value);
    }
};

struct RoutingCase {
    const char* what;
    FakeWaveDevices::Names outputs;
    FakeWaveDevices::Names inputs;
    bool keyExists;
    std::set<std::string> failingWrites;
    bool keyAfter;
    Values expected;
};

const FakeWaveDevices::Names kThree = {"Modem", "Onboard Audio", "USB Audio Device"};

class PreferNonHandsetDevicesTest : public ::testing::TestWithParam<RoutingCase> {};

TEST_P(PreferNonHandsetDevicesTest, WritesTheExpectedValues) {
    const RoutingCase& c = GetParam();
    FakeWaveDevices audio;
    audio.SetOutputs(c.outputs);
    audio.SetInputs(c.inputs);
    FailingRegistry registry;
    registry.failing = c.failingWrites;
    if (c.keyExists) registry.CloseKey(registry.CreateUserKey(kSoundMapperKey));

    AudioRouting routing(registry, audio);
    EXPECT_EQ(routing.PreferNonHandsetDevices(), 1);

    EXPECT_EQ(registry.KeyExists(kSoundMapperKey), c.keyAfter);
    EXPECT_EQ(registry.ValuesOf(kSoundMapperKey), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Routing, PreferNonHandsetDevicesTest,
    ::testing::Values(
        RoutingCase{"HandsetLastSearchedDownward",
                    kThree,
                    kThree,
                    true,
                    {},
                    true,
                    {{"Playback", "Onboard Audio"}, {"Record", "Onboard Audio"}}},
        RoutingCase{"MissingKeyCreatedAndSearchedUpward",
                    kThree,
                    kThree,
                    false,
                    {},
                    true,
                    {{"Playback", "Modem"},
                     {"Record", "Modem"},
                     {"PreferredOnly", 0u},
                     {"SetupPreferredAudioDevicesCount", 3u}}},
        RoutingCase{
            "OneDeviceWritesNothing", {"Onboard Audio"}, {"Onboard Audio"}, true, {}, true, {}},
        RoutingCase{
            "OneDeviceCreatesNoKey", {"Onboard Audio"}, {"Onboard Audio"}, false, {}, false, {}},
        RoutingCase{"OnlyHandsetsWriteNothing",
                    {"USB Phone", "USB Headset"},
                    {"USB Phone", "USB Headset"},
                    false,
                    {},
                    true,
                    {}},
        RoutingCase{"HandsetTestIsCaseSensitive",
                    {"Modem", "usb Headset", "USB Phone"},
                    {"Modem", "usb Headset", "USB Phone"},
                    true,
                    {},
                    true,
                    {{"Playback", "usb Headset"}, {"Record", "usb Headset"}}},
        RoutingCase{"UnreadableDeviceIsSkipped",
                    {"Modem", std::nullopt, "USB Phone"},
                    {"Modem", std::nullopt, "USB Phone"},
                    true,
                    {},
                    true,
                    {{"Playback", "Modem"}, {"Record", "Modem"}}},
        RoutingCase{"UnreadableFirstDeviceIsSkippedUpward",
                    {std::nullopt, "Onboard Audio"},
                    {std::nullopt, "Onboard Audio"},
                    false,
                    {},
                    true,
                    {{"Playback", "Onboard Audio"},
                     {"Record", "Onboard Audio"},
                     {"PreferredOnly", 0u},
                     {"SetupPreferredAudioDevicesCount", 2u}}},
        RoutingCase{"FailedWriteStopsTheNewKeySequence",
                    kThree,
                    kThree,
                    false,
                    {"Record"},
                    true,
                    {{"Playback", "Modem"}}},
        RoutingCase{"FailedWordStopsBeforeTheCount",
                    kThree,
                    kThree,
                    false,
                    {"PreferredOnly"},
                    true,
                    {{"Playback", "Modem"}, {"Record", "Modem"}}},
        RoutingCase{"PlaybackFromOutputsRecordFromInputs",
                    {"Speakers A", "Speakers B", "USB Phone"},
                    {"Mic A", "Line In", "USB Phone"},
                    true,
                    {},
                    true,
                    {{"Playback", "Speakers B"}, {"Record", "Line In"}}},
        RoutingCase{"NewKeyNamesEachSideFromItsOwnDevices",
                    {"USB Phone", "Speakers A", "Speakers B"},
                    {"Mic A", "USB Phone"},
                    false,
                    {},
                    true,
                    {{"Playback", "Speakers A"},
                     {"Record", "Mic A"},
                     {"PreferredOnly", 0u},
                     {"SetupPreferredAudioDevicesCount", 3u}}},
        RoutingCase{"ASideWithOneDeviceIsLeftAlone",
                    kThree,
                    {"Microphone"},
                    true,
                    {},
                    true,
                    {{"Playback", "Onboard Audio"}}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(PreferNonHandsetDevices, ReplacesAHandsetThatWasPreferred) {
    FakeWaveDevices audio;
    audio.SetBoth(kThree);
    MemoryRegistry registry;
    Registry::Key key = registry.CreateUserKey(kSoundMapperKey);
    registry.WriteString(key, "Playback", "USB Audio Device");
    registry.WriteDword(key, "PreferredOnly", 1);
    registry.CloseKey(key);

    AudioRouting(registry, audio).PreferNonHandsetDevices();

    Values expected{
        {"Playback", "Onboard Audio"}, {"Record", "Onboard Audio"}, {"PreferredOnly", 1u}};
    EXPECT_EQ(registry.ValuesOf(kSoundMapperKey), expected);
}

}  // namespace
}  // namespace kestrava
