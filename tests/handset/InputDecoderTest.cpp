// The input worker's decoding of single reports: sequence numbers, the three
// acknowledgements, the announcement, browsing and the current entry's text,
// and transfer replies. Reports are handed to the decoder directly.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "HandsetTestSupport.h"
#include "handset/HandsetCommands.h"
#include "handset/InputDecoder.h"
#include "protocol/CallStatus.h"
#include "protocol/CommandKeys.h"

namespace kestrava::testing {
namespace {

using ::testing::_;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::InSequence;
using ::testing::NiceMock;
using ::testing::Return;
using ::testing::StrEq;

constexpr std::uint32_t Report(std::uint8_t code, std::uint8_t seq, std::uint8_t button = 0) {
    return (std::uint32_t{button} << 16) | (std::uint32_t{code} << 8) | seq;
}

// Counts upload runs; each run ends the transfer as the real one does.
class CountingRunner : public UploadRunner {
  public:
    void RunUpload() override {
        ++runs;
        device->m_bTransferActive = 0;
        device->m_bAbortPending = 0;
    }
    CDeviceLibrary* device = nullptr;
    std::atomic<int> runs{0};
};

class InputDecoderTest : public HandsetFixture {
  protected:
    InputDecoderTest() {
        ON_CALL(link, FontsSupported()).WillByDefault(Return(true));
        decoder = std::make_unique<CInputDecoder>(*device, store, contacts, link, keypad, audio,
                                                  announced);
    }
    void Handle(std::uint32_t report) { decoder->HandleReport(report); }

    NiceMock<MockSkypeLink> link;
    NiceMock<MockKeypad> keypad;
    NiceMock<MockAudio> audio;
    std::atomic<std::int32_t> announced{0};
    std::unique_ptr<CInputDecoder> decoder;
};

TEST_F(InputDecoderTest, SequenceNumbersRunModuloFourAndARepeatIsDroppedUnanswered) {
    EXPECT_CALL(keypad, HandleKeyReport(_)).Times(5);
    for (std::uint8_t seq : {1, 2, 3, 0, 1}) Handle(Report(0x1F, seq, 0x40));
    Handle(Report(0x1F, 1));  // the same number again
    Handle(Report(0x1F, 3));  // out of order
    EXPECT_THAT(output.Events(),
                ElementsAre(Cmd(0x51), Cmd(0x52), Cmd(0x53), Cmd(0x50), Cmd(0x51)));
    EXPECT_EQ(decoder->ExpectedSequence(), 2);
}

TEST_F(InputDecoderTest, OnResyncAnyNumberIsTakenAndTheCountGoesOnFromIt) {
    device->m_bResync = 1;
    Handle(Report(0x1F, 3));
    EXPECT_EQ(decoder->ExpectedSequence(), 0);
    Handle(Report(0x1F, 0));
    EXPECT_THAT(output.Events(), ElementsAre(Cmd(0x53), Cmd(0x50)));
}

TEST_F(InputDecoderTest, ASequenceFieldBeyondSevenIsNeverTakenNotEvenOnAResync) {
    EXPECT_CALL(keypad, HandleKeyReport(_)).Times(0);
    device->m_nDisplayContent = display::kContactList | display::kFontMode;
    for (std::uint8_t seq : {0x08, 0x0C, 0x13, 0x54, 0x80, 0xFF}) {
        device->m_bResync = 1;
        Handle(Report(0x1F, seq));
        Handle(Report(0x6E, seq));  // a resync code while a list is browsed
        Handle(Report(0x5A, seq));
    }
    EXPECT_TRUE(output.Events().empty()) << "no acknowledgement, no upload";
    EXPECT_EQ(decoder->ExpectedSequence(), 1);
}

TEST_F(InputDecoderTest, WhileBrowsingAListCodes31And6EResynchronise) {
    device->m_nDisplayContent = display::kContactList;
    Handle(Report(0x31, 3));
    Handle(Report(0x1F, 3));  // not a resync code: 3 is not expected (0 is)
    EXPECT_THAT(output.Events(), ElementsAre(Cmd(0x53)));
}

TEST_F(InputDecoderTest, KeyReportsGoToTheKeypadWithTheirWord) {
    device->m_bResync = 1;
    {
        InSequence order;
        EXPECT_CALL(keypad, HandleKeyReport(Report(0x1F, 1, 0x40)));
        EXPECT_CALL(keypad, HandleKeyReport(Report(0x1A, 2)));
    }
    Handle(Report(0x1F, 1, 0x40));
    Handle(Report(0x1A, 2));  // handled, never acknowledged
    EXPECT_THAT(output.Events(), ElementsAre(Cmd(0x51)));
}

TEST_F(InputDecoderTest, WhileTheLinkIsNotReadyAKeyIsOnlyAcknowledgedAsNotHandled) {
    device->m_bLinkReady = 0;
    EXPECT_CALL(keypad, HandleKeyReport(_)).Times(0);
    Handle(Report(0x1F, 1));
    EXPECT_THAT(output.Events(), ElementsAre(Cmd(0x31)));
}

TEST_F(InputDecoderTest, ProtocolCodesThatAskNothingAreNeitherAnsweredNorPassedOn) {
    EXPECT_CALL(keypad, HandleKeyReport(_)).Times(0);
    std::uint8_t seq = 1;
    for (std::uint8_t code : {0x5A, 0x01, 0x02, 0x42, 0x43}) {
        Handle(Report(code, seq));
        seq = (seq + 1) % 4;
    }
    EXPECT_TRUE(output.Events().empty());
    EXPECT_EQ(decoder->ExpectedSequence(), 2) << "each was still counted";
}

TEST_F(InputDecoderTest, TheAnnouncementIsNotAcknowledgedAndSetsTheHandsetUp) {
    struct Case {
        std::uint8_t code;
        int agc;
        int display;
        const char* agcRegister;
    };
    for (Case c : {Case{0x80, 1, 1, "reg 0E 80 48"}, Case{0x81, 0, 0, "reg 0E 80 08"}}) {
        SCOPED_TRACE(c.code);
        output.Clear();
        pauses.Clear();
        announced = 0;
        device->m_bResync = 1;
        device->m_bSupportAGC = c.agc;
        device->m_nReg04Value = 16;
        device->m_nReg1CValue = 8;
        device->m_nDisplayContent = display::kAwaitAnnouncement | display::kCallList;
        {
            InSequence order;
            EXPECT_CALL(audio, SetSpeakerFader(2, 16));
            EXPECT_CALL(audio, SetMicrophoneFader(2, 8));
            EXPECT_CALL(link, SetDisplayEnabled(c.display));
            EXPECT_CALL(link, UpdateTrayState());
            EXPECT_CALL(link, ShowMissedCalls());
        }
        Handle(Report(c.code, 2));
        EXPECT_THAT(output.Events(), ElementsAre(c.agcRegister)) << "no acknowledgement";
        EXPECT_THAT(pauses.Pauses(), ElementsAre(20, 10));
        EXPECT_EQ(announced.load(), 1);
        EXPECT_EQ(device->m_nDisplayContent.load(), display::kCallList);
        EXPECT_EQ(device->m_bHandsetDisplay.load(), c.display);
        ::testing::Mock::VerifyAndClearExpectations(&link);
        ::testing::Mock::VerifyAndClearExpectations(&audio);
    }
}

// The handset came back (plugged in, the link ready again) while calls are
// up: it is put in their state (a ring, a call active, a call being placed);
// the missed calls are shown only when no call is up.
TEST_F(InputDecoderTest, TheAnnouncementPutsTheHandsetInTheStateOfTheCalls) {
    struct Case {
        const char* name;
        int status;
        int type;
        int secondStatus;
        std::vector<std::uint8_t> commands;  // after the end of any transfer
    };
    const Case cases[] = {
        {"ringing", CALL_RINGING_IN, CALL_TYPE_INCOMING_P2P, CALL_NONE, {0x9E}},
        {"a telephone call ringing", CALL_EARLYMEDIA, CALL_TYPE_INCOMING_PSTN, CALL_NONE, {0x9E}},
        {"an own call's early media", CALL_EARLYMEDIA, CALL_TYPE_OUTGOING_PSTN, CALL_NONE, {0x98}},
        {"a call in progress", CALL_INPROGRESS, CALL_TYPE_INCOMING_P2P, CALL_NONE, {0x1F}},
        {"a second call while an own call rings out",
         CALL_RINGING_OUT,
         CALL_TYPE_OUTGOING_P2P,
         CALL_EARLYMEDIA,
         {0x98, 0x9E}},
        {"a second call while a call is in progress",
         CALL_INPROGRESS,
         CALL_TYPE_INCOMING_P2P,
         CALL_EARLYMEDIA,
         {0x1F}},
        {"a second call while a call is held",
         CALL_LOCALHOLD,
         CALL_TYPE_INCOMING_P2P,
         CALL_EARLYMEDIA,
         {0x1F, 0x9E}},
        {"an ended call not yet archived", CALL_MISSED, CALL_TYPE_INCOMING_P2P, CALL_NONE, {}},
        {"no call", CALL_NONE, CALL_TYPE_UNKNOWN, CALL_NONE, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        output.Clear();
        device->m_bResync = 1;
        store.SetCurrentCallId(c.status == CALL_NONE ? 0 : 1234);
        store.SetCurrentCallStatus(c.status);
        store.SetCurrentCallType(c.type);
        store.SetSecondCallId(c.secondStatus == CALL_NONE ? 0 : 77);
        store.SetSecondCallStatus(c.secondStatus);
        EXPECT_CALL(link, ShowMissedCalls()).Times(c.commands.empty() ? 1 : 0);
        Handle(Report(0x80, 2));
        std::vector<std::string> expected;
        if (!c.commands.empty()) expected.push_back(Cmd(0x1A));
        for (std::uint8_t command : c.commands) expected.push_back(Cmd(command));
        std::vector<std::string> sent = output.Events();
        std::erase_if(sent, [](const std::string& e) { return e.rfind("reg", 0) == 0; });
        EXPECT_EQ(sent, expected);
        ::testing::Mock::VerifyAndClearExpectations(&link);
    }
}

TEST_F(InputDecoderTest, BrowsingContactsRendersTheSelectedNameAndThenAcknowledges) {
    device->m_nDisplayContent = display::kContactList;
    {
        InSequence order;
        EXPECT_CALL(contacts, SelectNextContact(1, 1)).WillOnce(Return(S_OK));
        EXPECT_CALL(contacts, GetSelectedContactName(_)).WillOnce([](char* out) {
            std::strcpy(out, "Alice");
            return S_OK;
        });
        EXPECT_CALL(renderer, RenderText(StrEq("Alice"))).WillOnce([this](const char*) {
            EXPECT_TRUE(output.Events().empty()) << "rendered before the acknowledgement";
            return S_OK;
        });
    }
    Handle(Report(0x61, 1));
    ::testing::Mock::VerifyAndClearExpectations(&contacts);
    ::testing::Mock::VerifyAndClearExpectations(&renderer);
    EXPECT_CALL(contacts, SelectNextContact(0, 1)).WillOnce(Return(S_OK));
    Handle(Report(0x62, 2));
    EXPECT_THAT(output.Events(), ElementsAre(Cmd(0x51), Cmd(0x52)));
}

TEST_F(InputDecoderTest, BrowsingToACallWithoutDetailsAsksSkypeForThemInOrder) {
    for (bool fonts : {true, false}) {
        SCOPED_TRACE(fonts);
        CSessionStore history;
        history.AddCall(41, 0);  // the browse starts here and skips it going forward
        history.AddCall(42, 0);
        history.SetCallType(41, 0);
        history.SetCallType(42, 0);
        CInputDecoder local(*device, history, contacts, link, keypad, audio, announced);
        device->m_nDisplayContent = display::kCallList;
        device->m_bResync = 1;
        ON_CALL(link, FontsSupported()).WillByDefault(Return(fonts));
        {
            InSequence order;
            EXPECT_CALL(link, QueueCommand(KEY_SKYPE_GET_CALL_DURATION, _, 42));
            if (fonts) EXPECT_CALL(link, QueueCommand(KEY_SKYPE_GET_CALL_PARTNER_DISPNAME, _, 42));
            EXPECT_CALL(link, QueueCommand(KEY_SKYPE_GET_CALL_PARTNER_HANDLE, _, 42));
            EXPECT_CALL(link, QueueCommand(KEY_SKYPE_GET_CALL_TIMESTAMP, _, 42));
        }
        local.HandleReport(Report(0x62, 0));
        ::testing::Mock::VerifyAndClearExpectations(&link);

        // A call whose details are known asks nothing.
        history.SetCallHasDetails(41, 1);
        EXPECT_CALL(link, QueueCommand(_, _, _)).Times(0);
        local.HandleReport(Report(0x61, 1));
        ::testing::Mock::VerifyAndClearExpectations(&link);
    }
}

// The current entry's text in call-list mode, by what the history holds.
TEST_F(InputDecoderTest, TheCurrentCallEntryTextDependsOnTheHistory) {
    struct Case {
        const char* name;
        std::function<void(CSessionStore&)> fill;
        int mode;
        const char* text;
        int nameTries;  // pauses of 6 ms
    };
    auto call = [](int id, int type, int status, const char* name) {
        return [=](CSessionStore& s) {
            s.AddCall(id, 0);
            s.SetCallType(id, type);
            s.SetCallStatus(id, status);
            if (name) s.SetCallPartnerName(id, name, static_cast<int>(std::strlen(name)));
            s.SetCallHasDetails(id, 1);
        };
    };
    const Case cases[] = {
        {"empty history", [](CSessionStore&) {}, CSessionStore::kBrowseReceived, "No calling data.",
         0},
        {"no missed call", call(1, 0, 3, "Bob"), CSessionStore::kBrowseMissed, "No Missed Calls",
         0},
        {"no dialed call", call(1, 0, 3, "Bob"), CSessionStore::kBrowseDialed, "No Calls", 0},
        {"a named call", call(1, 0, 3, "Bob"), CSessionStore::kBrowseReceived, "Bob", 1},
        {"a call without name", call(1, 0, 3, nullptr), CSessionStore::kBrowseReceived,
         "Unknown User", CInputDecoder::kNameTries},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CSessionStore history;
        c.fill(history);
        history.SetBrowseMode(c.mode);
        history.ResetBrowse();
        int id = 0;
        if (history.SelectNextCall(0, 0, &id) == S_OK) history.RefreshSelection(id);
        CInputDecoder local(*device, history, contacts, link, keypad, audio, announced);
        device->m_nDisplayContent = display::kCallList;
        device->m_bResync = 1;
        output.Clear();
        pauses.Clear();
        EXPECT_CALL(renderer, RenderText(StrEq(c.text))).WillOnce([this](const char*) {
            EXPECT_THAT(output.Events(), ElementsAre(Cmd(0x51))) << "acknowledged first";
            return S_OK;
        });
        // The pending bit is set before the handset hears that a text follows.
        output.onCommand = [this](std::uint8_t command) {
            if (command == HS_TEXT_FONT) {
                EXPECT_TRUE(device->m_nDisplayContent & display::kFontMode);
            }
        };
        local.HandleReport(Report(0x6C, 1));
        output.onCommand = nullptr;
        EXPECT_THAT(output.Events(), ElementsAre(Cmd(0x51), Cmd(HS_TEXT_FONT)));
        EXPECT_EQ(pauses.Pauses(), std::vector<int>(c.nameTries, 6));
        ::testing::Mock::VerifyAndClearExpectations(&renderer);
    }
}

TEST_F(InputDecoderTest, TheEntryTextAnnouncementFollowsTheFontSettingAndTheMode) {
    // Character mode: HS_TEXT_RAW and its bit.
    ON_CALL(link, FontsSupported()).WillByDefault(Return(false));
    ON_CALL(contacts, GetContactCount(_)).WillByDefault([](int* n) {
        *n = 2;
        return S_OK;
    });
    device->m_nDisplayContent = display::kContactList;
    output.onCommand = [this](std::uint8_t command) {
        if (command == HS_TEXT_RAW) {
            EXPECT_TRUE(device->m_nDisplayContent & display::kCharacterMode);
        }
    };
    Handle(Report(0x6C, 1));
    output.onCommand = nullptr;
    // No list browsed: the handset is told the transfer is over.
    device->m_nDisplayContent = 0;
    Handle(Report(0x6C, 2));
    // An empty contact list announces nothing.
    ON_CALL(contacts, GetContactCount(_)).WillByDefault([](int* n) {
        *n = 0;
        return S_OK;
    });
    device->m_nDisplayContent = display::kContactList;
    Handle(Report(0x6C, 3));
    EXPECT_THAT(output.Events(), ElementsAre(Cmd(0x51), Cmd(HS_TEXT_RAW), Cmd(0x52),
                                             Cmd(HS_END_TRANSFER), Cmd(0x53)));
    EXPECT_EQ(device->m_nDisplayContent.load(), display::kContactList);
}

TEST_F(InputDecoderTest, TransferRepliesStartTheUploadOrAreAnswered) {
    struct Case {
        const char* name;
        std::int32_t content;
        std::int32_t active;
        std::uint8_t code;
        int uploads;
        std::vector<std::string> answer;
    };
    const Case cases[] = {
        {"ready, font text pending", display::kFontMode, 0, 0x5A, 1, {}},
        {"ready, character text pending", display::kCharacterMode, 0, 0x5A, 1, {}},
        {"ready while a transfer runs", display::kFontMode, 1, 0x5A, 0, {}},
        {"another reply, text pending", display::kFontMode, 0, 0x41, 0, {Cmd(0x25)}},
        {"call timer pending", display::kCallTimer, 0, 0x41, 1, {}},
        {"call timer while a transfer runs", display::kCallTimer, 1, 0x5A, 0, {}},
        {"nothing pending", 0, 0, 0x5A, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDeviceLibrary library(loader, shell);
        CountingRunner runner;
        runner.device = &library;
        library.SetUploadRunner(&runner);
        CInputDecoder local(library, store, contacts, link, keypad, audio, announced);
        output.Clear();
        library.m_bResync = 0;
        library.m_nDisplayContent = c.content;
        library.m_bTransferActive = c.active;
        local.HandleReport(Report(c.code, 5));
        library.StopWorkers();  // joins the run, if one started
        EXPECT_EQ(runner.runs.load(), c.uploads);
        EXPECT_EQ(output.Events(), c.answer);
        EXPECT_EQ(local.ExpectedSequence(), 1) << "a reply is not a normal report";
    }
}

TEST_F(InputDecoderTest, ATransferReplyOnResyncIsStillATransferReply) {
    CountingRunner runner;
    runner.device = device.get();
    device->SetUploadRunner(&runner);
    device->m_bResync = 1;
    device->m_nDisplayContent = display::kFontMode;
    decoder->HandleReport(Report(0x5A, 4));
    device->StopWorkers();
    EXPECT_EQ(runner.runs.load(), 1);
    EXPECT_EQ(decoder->ExpectedSequence(), 1);
}

}  // namespace
}  // namespace kestrava::testing
