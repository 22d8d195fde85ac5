// The handset kept out of the default endpoints on a system with endpoints,
// the Sound Mapper's values where there are none, and the Audio Device
// Settings dialog over the endpoints.
#include <gtest/gtest.h>

#include <thread>

#include "FakeEndpointView.h"
#include "FakeWaveDevices.h"
#include "app/AudioDeviceSettings.h"
#include "app/AudioRouting.h"
#include "app/EndpointRouting.h"
#include "platform/MemoryAudioEndpoints.h"
#include "platform/MemoryRegistry.h"

namespace kestrava {
namespace {

using namespace std::chrono_literals;
using testing::FakeEndpointView;
using testing::FakeWaveDevices;
using Set = MemoryAudioEndpoints::DefaultSet;

constexpr UsbIdentity kHandsetUsb{0x0C45, 0x1830};
constexpr UsbIdentity kOtherHeadsetUsb{0x046D, 0x0A44};

// The handset comes first, named as current systems name it; only its
// adapter's name or identity tells what it is.
const AudioEndpoint kHandsetOut{"h-out", "Speakers (USB Audio Device)", "USB Audio Device",
                                std::nullopt};
const AudioEndpoint kBoardOut{"b-out", "Speakers (High Definition Audio)", "High Definition Audio",
                              std::nullopt};
const AudioEndpoint kHeadsetOut{"u-out", "Headphones (USB Audio Device)", "USB Audio Device",
                                kOtherHeadsetUsb};
const AudioEndpoint kHandsetIn{"h-in", "Microphone (Phone)", "Phone", kHandsetUsb};
const AudioEndpoint kBoardIn{"b-in", "Microphone (High Definition Audio)", "High Definition Audio",
                             std::nullopt};

struct EndpointCase {
    const char* label;
    std::vector<AudioEndpoint> outputs, inputs;
    std::optional<std::string> defaultOut, defaultIn;
    std::vector<Set> expected;
};

class PreferNonHandsetEndpointsTest : public ::testing::TestWithParam<EndpointCase> {};

TEST_P(PreferNonHandsetEndpointsTest, SetsOnlyDefaultsThatAreTheHandsets) {
    const EndpointCase& c = GetParam();
    MemoryAudioEndpoints endpoints;
    endpoints.SetEndpoints(EndpointFlow::Playback, c.outputs);
    endpoints.SetEndpoints(EndpointFlow::Record, c.inputs);
    endpoints.ChangeDefault(EndpointFlow::Playback, c.defaultOut);
    endpoints.ChangeDefault(EndpointFlow::Record, c.defaultIn);
    FakeWaveDevices audio;
    audio.SetBoth({"Modem", "USB Audio Device"});
    MemoryRegistry registry;

    AudioRouting routing(registry, audio, &endpoints);
    EXPECT_EQ(routing.PreferNonHandsetDevices(), 1);

    EXPECT_EQ(endpoints.DefaultsSet(), c.expected);
    // The system no longer reads the Sound Mapper's values: none are written.
    EXPECT_FALSE(registry.KeyExists(kSoundMapperKey));
}

INSTANTIATE_TEST_SUITE_P(
    Endpoints, PreferNonHandsetEndpointsTest,
    ::testing::Values(EndpointCase{"HandsetDefaultsMoveToTheFirstOtherEndpoint",
                                   {kHandsetOut, kBoardOut, kHeadsetOut},
                                   {kHandsetIn, kBoardIn},
                                   "h-out",
                                   "h-in",
                                   {{EndpointFlow::Playback, "b-out"},
                                    {EndpointFlow::Record, "b-in"}}},
                      EndpointCase{"TheUsersOtherDefaultsStay",
                                   {kHandsetOut, kBoardOut, kHeadsetOut},
                                   {kHandsetIn, kBoardIn},
                                   "u-out",
                                   "b-in",
                                   {}},
                      EndpointCase{"AnotherUsbHeadsetMayBeChosen",
                                   {kHandsetOut, kHeadsetOut},
                                   {kHandsetIn},
                                   "h-out",
                                   "h-in",
                                   {{EndpointFlow::Playback, "u-out"}}},
                      EndpointCase{"NoDefaultGetsOne",
                                   {kHandsetOut, kBoardOut},
                                   {},
                                   std::nullopt,
                                   std::nullopt,
                                   {{EndpointFlow::Playback, "b-out"}}},
                      EndpointCase{"OnlyTheHandsetLeavesNothingToChoose",
                                   {kHandsetOut},
                                   {kHandsetIn},
                                   "h-out",
                                   "h-in",
                                   {}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(EndpointRouting, WithoutEndpointsTheSoundMapperValuesAreWrittenAsBefore) {
    MemoryAudioEndpoints none;
    FakeWaveDevices audio;
    audio.SetBoth({"Modem", "Onboard Audio", "USB Audio Device"});
    MemoryRegistry registry;
    registry.CloseKey(registry.CreateUserKey(kSoundMapperKey));

    AudioRouting routing(registry, audio, &none);
    EXPECT_EQ(routing.PreferNonHandsetDevices(), 1);

    const MemoryRegistry::Values expected = {{"Playback", "Onboard Audio"},
                                             {"Record", "Onboard Audio"}};
    EXPECT_EQ(registry.ValuesOf(kSoundMapperKey), expected);
    EXPECT_TRUE(none.DefaultsSet().empty());
}

TEST(EndpointRouting, ARefusedDefaultIsNoFailureOfTheSetUpAndWritesNoRegistryValues) {
    MemoryAudioEndpoints endpoints;
    endpoints.SetEndpoints(EndpointFlow::Playback, {kHandsetOut, kBoardOut});
    endpoints.ChangeDefault(EndpointFlow::Playback, "h-out");
    endpoints.RefuseSetDefault(true);
    FakeWaveDevices audio;
    MemoryRegistry registry;

    AudioRouting routing(registry, audio, &endpoints);
    EXPECT_EQ(routing.PreferNonHandsetDevices(), 1);
    EXPECT_EQ(endpoints.DefaultId(EndpointFlow::Playback), "h-out");
    EXPECT_FALSE(registry.KeyExists(kSoundMapperKey));
}

class EndpointDialogTest : public ::testing::Test {
  protected:
    EndpointDialogTest() {
        endpoints.SetEndpoints(EndpointFlow::Playback, {kHandsetOut, kBoardOut, kHeadsetOut});
        endpoints.SetEndpoints(EndpointFlow::Record, {kHandsetIn, kBoardIn});
        endpoints.ChangeDefault(EndpointFlow::Playback, "b-out");
        endpoints.ChangeDefault(EndpointFlow::Record, "h-in");
        audio.SetBoth({"Wave Out Only"});
        Registry::Key key = registry.CreateUserKey(kSoundMapperKey);
        registry.WriteString(key, kPlaybackValue, "Wave Out Only");
        registry.WriteString(key, kRecordValue, "Wave Out Only");
        registry.CloseKey(key);
        settings.SetEndpoints(&endpoints);
    }
    template <typename Condition>
    static bool Eventually(Condition condition) {
        for (auto end = std::chrono::steady_clock::now() + 10s;
             std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(1ms)) {
            if (condition()) return true;
        }
        return condition();
    }

    MemoryAudioEndpoints endpoints;
    FakeWaveDevices audio;
    MemoryRegistry registry;
    std::atomic<std::int32_t> autoSwitch{0};
    FakeEndpointView view;
    AudioDeviceSettings settings{registry, audio, autoSwitch, 5ms};
};

TEST_F(EndpointDialogTest, ListsTheEndpointsAndSelectsTheDefaults) {
    settings.OnInitDialog(view, "No Speaker", "No MIC");

    EXPECT_EQ(view.Lines(IDC_SPEAKER_DEVICE),
              (std::vector<std::string>{kHandsetOut.name, kBoardOut.name, kHeadsetOut.name}));
    EXPECT_EQ(view.Lines(IDC_MIC_DEVICE),
              (std::vector<std::string>{kHandsetIn.name, kBoardIn.name}));
    EXPECT_EQ(view.Selected(IDC_SPEAKER_DEVICE), 1);
    EXPECT_EQ(view.Selected(IDC_MIC_DEVICE), 0);
    EXPECT_TRUE(settings.WatcherRunning());
    settings.OnCommand(view, 2);
}

TEST_F(EndpointDialogTest, OkSetsTheChosenEndpointsAndLeavesTheRegistryAlone) {
    settings.OnInitDialog(view, "No Speaker", "No MIC");
    view.SelectIndex(IDC_MIC_DEVICE, 1);

    EXPECT_TRUE(settings.OnCommand(view, 1));

    // The unchanged playback default is not set again.
    EXPECT_EQ(endpoints.DefaultsSet(), (std::vector<Set>{{EndpointFlow::Record, "b-in"}}));
    EXPECT_EQ(std::get<std::string>(registry.ValuesOf(kSoundMapperKey).at(kRecordValue)),
              "Wave Out Only");
    EXPECT_FALSE(settings.WatcherRunning());
}

TEST_F(EndpointDialogTest, FollowsADefaultChangedInTheSystemsSettings) {
    settings.OnInitDialog(view, "No Speaker", "No MIC");
    endpoints.ChangeDefault(EndpointFlow::Playback, "u-out");

    EXPECT_TRUE(Eventually([&] { return view.Selected(IDC_SPEAKER_DEVICE) == 2; }));
    settings.OnCommand(view, 2);
}

TEST_F(EndpointDialogTest, WithoutEndpointsTheWaveDevicesAndStoredValuesShow) {
    MemoryAudioEndpoints none;
    settings.SetEndpoints(&none);
    settings.OnInitDialog(view, "No Speaker", "No MIC");

    EXPECT_EQ(view.Lines(IDC_SPEAKER_DEVICE), std::vector<std::string>{"Wave Out Only"});
    EXPECT_EQ(view.Selected(IDC_SPEAKER_DEVICE), 0);
    EXPECT_TRUE(settings.WatcherRunning());
    settings.OnCommand(view, 1);
}

}  // namespace
}  // namespace kestrava
