// The mixer objects over an in-memory audio system: which device is the
// handset's, how a control is found and refused, and what each fader kind
// writes.
#include <gmock/gmock.h>

#include "AudioTestSupport.h"
#include "audio/MixerControls.h"

namespace kestrava::testing {
namespace {

using namespace mixer;
using ::testing::Contains;
using ::testing::ElementsAre;

struct DeviceChoice {
    const char* label;
    std::vector<std::string> names;
    int unreadable;        // index whose capabilities cannot be read, or -1
    int refused;           // index that cannot be opened, or -1
    const char* expected;  // nullptr: no device is taken
};

class HandsetMixerChoice : public ::testing::TestWithParam<DeviceChoice> {};

TEST_P(HandsetMixerChoice, TakesTheFirstDeviceNamedUsbAndClosesTheOthers) {
    const DeviceChoice& choice = GetParam();
    MemoryAudioSystem audio;
    for (const std::string& name : choice.names) audio.AddMixer(name);
    if (choice.unreadable >= 0) audio.SetCapabilitiesUnreadable(choice.unreadable);
    if (choice.refused >= 0) audio.SetOpenRefused(choice.refused);
    CMixerBase base(audio);

    EXPECT_EQ(base.OpenHandsetMixer(0x100), choice.expected ? 1 : 0);
    EXPECT_EQ(base.DeviceName(), choice.expected ? choice.expected : "");
    EXPECT_EQ(base.IsOpen(), choice.expected != nullptr);
    EXPECT_EQ(audio.OpenHandles(), choice.expected ? 1u : 0u);
    base.Close();
    EXPECT_EQ(audio.OpenHandles(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Devices, HandsetMixerChoice,
    ::testing::Values(
        DeviceChoice{
            "LowerIndexWins", {"On-board", "USB Phone A", "USB Phone B"}, -1, -1, "USB Phone A"},
        DeviceChoice{"LowerCaseDoesNotMatch", {"usb headset", "Usb Card"}, -1, -1, nullptr},
        DeviceChoice{"UsbInsideTheNameDoesNotMatch", {"Generic USB Audio"}, -1, -1, nullptr},
        DeviceChoice{"NoDevices", {}, -1, -1, nullptr},
        DeviceChoice{"UnreadableDeviceEndsTheSearch", {"Card", "USB Phone"}, 0, -1, nullptr},
        DeviceChoice{"RefusedDeviceIsSkipped", {"USB Busy", "USB Phone"}, -1, 0, "USB Phone"},
        DeviceChoice{"Utf8NameKept",
                     {"USB \xE8\xAF\x9D\xE7\xAD\x92"},
                     -1,
                     -1,
                     "USB \xE8\xAF\x9D\xE7\xAD\x92"}),
    [](const auto& info) { return std::string(info.param.label); });

// The faders' arithmetic on a mono 0..65535 control in 100 steps of 655.
struct FaderCase {
    const char* label;
    std::uint32_t before;
    int kind;
    int level;
    std::uint32_t after;
};

class FaderKinds : public ::testing::TestWithParam<FaderCase> {};

TEST_P(FaderKinds, WriteTheTargetAndFollowItWithThePosition) {
    const FaderCase& c = GetParam();
    MemoryAudioSystem audio;
    CodecIds ids = AddCodec(audio, {.initial = c.before});
    CMixerFader speaker(audio);
    ASSERT_EQ(speaker.Init(kDstSpeakers, kDestinationItself, kVolume, 2, 0), 1);

    speaker.SetFaderValue(c.kind, c.level);
    EXPECT_THAT(audio.ControlValues(ids.speaker), ElementsAre(c.after));
    EXPECT_EQ(speaker.Position(), static_cast<int>(c.after / 655));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FaderKinds,
    ::testing::Values(FaderCase{"DownFromPosition10GoesToZero", 10 * 655, 1, 0, 0},
                      FaderCase{"DownFromPosition30GoesToFiveSteps", 30 * 655, 1, 0, 5 * 655},
                      FaderCase{"UpAddsTwentyFiveSteps", 10 * 655, 0, 0, 35 * 655},
                      FaderCase{"UpNearTheTopStopsAtAllSteps", 90 * 655, 0, 0, 100 * 655},
                      FaderCase{"Level31IsThirtyOneThirtySecondsOfFullScale", 0, 4, 31,
                                31 * 65500 / 32},
                      FaderCase{"AnnouncedLevel16IsHalfScale", 0, 2, 16, 32750},
                      FaderCase{"LevelAboveTheScaleCountsAs31", 0, 2, 40, 31 * 65500 / 32},
                      FaderCase{"NegativeLevelCountsAsZero", 20000, 2, -3, 0},
                      FaderCase{"UnknownKindSetsZero", 20000, 7, 16, 0}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(StereoFader, KeepsTheChannelsRatioWhicheverSideIsLouder) {
    const struct {
        std::uint32_t left, right, newLeft, newRight;
    } cases[] = {{100, 50, 500, 250}, {50, 100, 250, 500}, {100, 100, 500, 500}};
    for (const auto& c : cases) {
        MemoryAudioSystem audio;
        CodecIds ids = AddCodec(audio, {.speakerChannels = 2, .maximum = 1000, .steps = 10});
        ASSERT_TRUE(audio.SetControlValues(ids.speaker, {c.left, c.right}));
        CMixerFader speaker(audio);
        ASSERT_EQ(speaker.Init(kDstSpeakers, kDestinationItself, kVolume, 2, 0), 1);
        speaker.SetFaderValue(4, 16);  // 16 * 1000 >> 5 = 500
        EXPECT_THAT(audio.ControlValues(ids.speaker), ElementsAre(c.newLeft, c.newRight))
            << c.left << "/" << c.right;
    }
}

TEST(FaderLevel, ReadsTheFirstChannelOnTheThirtyOneScale) {
    const std::pair<std::uint32_t, unsigned> cases[] = {
        {0, 0}, {32750, 16}, {31 * 65500 / 32, 30}, {65500, 31}, {65535, 31}};
    MemoryAudioSystem audio;
    CodecIds ids = AddCodec(audio);
    CMixerFader microphone(audio);
    ASSERT_EQ(microphone.Init(kDstWaveIn, kSrcMicrophone, kVolume, 2, 0), 1);
    for (const auto& [value, level] : cases) {
        ASSERT_TRUE(audio.SetControlValues(ids.microphone, {value}));
        EXPECT_EQ(microphone.Level31(), level) << value;
    }
}

TEST(ClosedFader, ReadsZeroAndWritesNothing) {
    MemoryAudioSystem audio;
    CodecIds ids = AddCodec(audio, {.initial = 20000});
    CMixerFader speaker(audio);
    EXPECT_EQ(speaker.Level31(), 0u);
    speaker.SetFaderValue(4, 31);
    ASSERT_EQ(speaker.Init(kDstSpeakers, kDestinationItself, kVolume, 2, 0), 1);
    speaker.Close();
    speaker.SetFaderValue(0, 0);
    EXPECT_EQ(speaker.Level31(), 0u);
    EXPECT_THAT(audio.ControlValues(ids.speaker), ElementsAre(20000u));
}

TEST(FaderChangeNotice, RaisesOnlyItsOwnControlOnItsOwnMixer) {
    MemoryAudioSystem audio;
    CodecIds ids = AddCodec(audio, {.initial = 5000});
    CMixerFader microphone(audio);
    ASSERT_EQ(microphone.Init(kDstWaveIn, kSrcMicrophone, kVolume, 2, 0), 1);

    EXPECT_EQ(microphone.OnControlChange(microphone.Mixer(), ids.speaker), 0);
    EXPECT_EQ(microphone.OnControlChange(microphone.Mixer() + 1, ids.microphone), 0);
    EXPECT_THAT(audio.ControlValues(ids.microphone), ElementsAre(5000u));

    EXPECT_EQ(microphone.OnControlChange(microphone.Mixer(), ids.microphone), 0);
    EXPECT_THAT(audio.ControlValues(ids.microphone), ElementsAre(10000u));
    ASSERT_TRUE(audio.SetControlValues(ids.microphone, {12000}));
    microphone.OnControlChange(microphone.Mixer(), ids.microphone);
    EXPECT_THAT(audio.ControlValues(ids.microphone), ElementsAre(12000u));
}

TEST(FaderChangeNotice, NeverRaisesPastTheControlsMaximum) {
    MemoryAudioSystem audio;
    CodecIds ids = AddCodec(audio, {.maximum = 3100, .steps = 31, .initial = 1000});
    CMixerFader microphone(audio);
    ASSERT_EQ(microphone.Init(kDstWaveIn, kSrcMicrophone, kVolume, 2, 0), 1);
    microphone.OnControlChange(microphone.Mixer(), ids.microphone);
    EXPECT_THAT(audio.ControlValues(ids.microphone), ElementsAre(3100u));
}

// Every way a control can be missing or unusable: Init gives 0, says why and
// leaves nothing open.
struct Refusal {
    const char* label;
    CodecShape shape;
    std::uint32_t destination, source, control;
    std::string diagnostic;
};

class FaderRefusals : public ::testing::TestWithParam<Refusal> {};

TEST_P(FaderRefusals, LeaveTheFaderClosed) {
    const Refusal& r = GetParam();
    MemoryAudioSystem audio;
    AddCodec(audio, r.shape);
    DiagnosticLog log;
    CMixerFader fader(audio, log.Sink());

    EXPECT_EQ(fader.Init(r.destination, r.source, r.control, 2, 0x100), 0);
    EXPECT_FALSE(fader.IsOpen());
    EXPECT_EQ(fader.DeviceName(), "");
    EXPECT_EQ(audio.OpenHandles(), 0u);
    EXPECT_THAT(log.texts, Contains(r.diagnostic));
    EXPECT_EQ(fader.Level31(), 0u);
    fader.SetFaderValue(2, 16);  // no division by a zero step, nothing written
}

INSTANTIATE_TEST_SUITE_P(
    Controls, FaderRefusals,
    ::testing::Values(
        Refusal{"NoUsbDevice",
                {.name = "Card"},
                kDstSpeakers,
                kDestinationItself,
                kVolume,
                "CMixerBase::Init: Could not open mixer device"},
        Refusal{"MissingDestination",
                {},
                5,
                kDestinationItself,
                kVolume,
                "CMixerBase::Init: Warning: the destination line "
                "\nMIXERLINE_COMPONENTTYPE_DST_HEADPHONES\nwas not found."},
        Refusal{"MissingSource",
                {},
                kDstWaveIn,
                0x1002,
                kVolume,
                "CMixerBase::Init: Warning: the source line \nMIXERLINE_COMPONENTTYPE_SRC_LINE\n "
                "not found.\n\n(Associated to Destination line "
                "\nMIXERLINE_COMPONENTTYPE_DST_WAVEIN)"},
        Refusal{"MissingControl",
                {},
                kDstWaveIn,
                kSrcMicrophone,
                0x50030002,
                "CMixerBase::Init: Could not find specified mixer control. Associated Windows "
                "control will be disabled.\nControl type: MIXERCONTROL_CONTROLTYPE_BASS,\n\nDest "
                "line type: MIXERLINE_COMPONENTTYPE_DST_WAVEIN,\nSrc  line type: "
                "MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE\n"},
        Refusal{"RangeSmallerThanSteps",
                {.maximum = 50, .steps = 100},
                kDstSpeakers,
                kDestinationItself,
                kVolume,
                "CMixerFader::Init: Control has no usable step: "
                "range 50, steps 100."},
        Refusal{"NoSteps",
                {.steps = 0},
                kDstSpeakers,
                kDestinationItself,
                kVolume,
                "CMixerFader::Init: Control has no usable step: range 65535, steps 0."}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(MixerInit, RefusesALineWithoutControlsAndAControlWithUnknownUnits) {
    MemoryAudioSystem audio;
    auto device = audio.AddMixer("USB Audio Device");
    auto speakers = audio.AddDestination(device, kDstSpeakers, 1);
    audio.AddSource(device, speakers, kSrcMicrophone, 1);  // no controls
    MixerControlInfo custom;
    custom.controlType = 0x50060001;  // a fader class with units the system does not define
    custom.maximum = 100;
    custom.steps = 10;
    audio.AddControl(device, speakers, MemoryAudioSystem::kDestinationLine, custom);
    DiagnosticLog log;
    CMixerBase base(audio, log.Sink());

    EXPECT_EQ(base.Init(kDstSpeakers, kSrcMicrophone, kMute, 0), 0);
    EXPECT_EQ(base.Init(kDstSpeakers, kDestinationItself, 0x50060001, 0), 0);
    EXPECT_EQ(audio.OpenHandles(), 0u);
    EXPECT_THAT(log.texts,
                ElementsAre("CMixerBase::Init: No controls available for this audio line: "
                            "MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE",
                            "CMixerBase::InitMXDetails: Control uses unknown units."));
}

TEST(MixerNumber, SetsAndReadsTheValueAtItsIndex) {
    MemoryAudioSystem audio;
    CodecIds ids = AddCodec(audio);
    CMixerNumber monitor(audio);
    EXPECT_EQ(monitor.SetValue(1), 0);  // closed
    ASSERT_EQ(monitor.Init(kDstSpeakers, kSrcMicrophone, kMute, 0), 1);
    EXPECT_EQ(monitor.SetValue(1), 1);
    EXPECT_THAT(audio.ControlValues(ids.monitor), ElementsAre(1u));
    ASSERT_TRUE(audio.SetControlValues(ids.monitor, {0}));
    EXPECT_EQ(monitor.GetValue(), 0u);
    monitor.Close();
    EXPECT_EQ(monitor.GetValue(), 0u);
}

TEST(MixerNumber, ChecksTheIndexAndTheControlClass) {
    MemoryAudioSystem audio;
    auto device = audio.AddMixer("USB Audio Device");
    auto speakers = audio.AddDestination(device, kDstSpeakers, 1);
    auto source = audio.AddSource(device, speakers, kSrcMicrophone, 1);
    MixerControlInfo mux;
    mux.controlType = 0x70010001;  // a list of three items
    mux.flags = kFlagMultiple;
    mux.items = 3;
    mux.maximum = 1;
    auto muxId = audio.AddControl(device, speakers, source, mux);
    MixerControlInfo mute;
    mute.controlType = kMute;
    audio.AddControl(device, speakers, source, mute);

    const struct {
        std::uint32_t control;
        int index;
        int result;
        const char* diagnostic;
    } cases[] = {
        {0x70010001, 2, 1, nullptr},
        {0x70010001, 3, 0, "CMixerNumber::Init: Invalid control index passed: 3"},
        {0x70010001, -1, 0, "CMixerNumber::Init: Invalid control index passed: -1"},
        // A single-item mono switch has one value: index 1 would lie past it.
        {kMute, 1, 0, "CMixerNumber::Init: Invalid control index passed: 1"},
        {kVolume, 0, 0, "CMixerNumber::Init: Wrong control type: MIXERCONTROL_CONTROLTYPE_VOLUME"},
    };
    for (const auto& c : cases) {
        DiagnosticLog log;
        CMixerNumber number(audio, log.Sink());
        EXPECT_EQ(number.Init(kDstSpeakers, kSrcMicrophone, c.control, c.index), c.result)
            << c.index;
        EXPECT_EQ(number.IsOpen(), c.result == 1);
        if (c.diagnostic) {
            EXPECT_THAT(log.texts, ElementsAre(c.diagnostic));
        }
        if (c.result == 1) {
            EXPECT_EQ(number.SetValue(1), 1);
            EXPECT_THAT(audio.ControlValues(muxId), ElementsAre(0u, 0u, 1u));
        }
    }
    EXPECT_EQ(audio.OpenHandles(), 0u);
}

}  // namespace
}  // namespace kestrava::testing
