// The user, contact and status lines: what the store, the contact list, the
// handset, the tray and Skype see for each.
#include <algorithm>
#include <climits>

#include "AccountFixture.h"

namespace kestrava::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr int kTipConnected = 13;
constexpr int kTipNotConnected = 14;

struct StatusRow {
    const char* value;
    int status;
    std::vector<std::string> events;  // handset commands and tray tip, in order
};

class UserStatusTest : public AccountTest, public ::testing::WithParamInterface<StatusRow> {};

// The handset is present and announced: an offline-like status tells it and
// makes it announce itself again; every status shows its symbol.
TEST_P(UserStatusTest, SetsTheOwnStatusTrayAndHandsetSymbol) {
    const StatusRow& row = GetParam();
    device->handsetPresent = 1;
    shell.g_bHandsetAnnounced = 1;
    Feed(std::string("USERSTATUS ") + row.value);
    EXPECT_EQ(OwnStatus(), row.status);
    EXPECT_THAT(g_events.Take(), ElementsAreArray(row.events));
    EXPECT_EQ(shell.g_bHandsetAnnounced.load(), row.status == OWN_STATUS_OFFLINE ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    OwnStatusTable, UserStatusTest,
    ::testing::Values(StatusRow{"ONLINE", 0, {"tray 13", "handset 0x73"}},
                      StatusRow{"SKYPEME", 2, {"tray 13", "handset 0x75"}},
                      StatusRow{"AWAY", 3, {"tray 13", "handset 0x76"}},
                      StatusRow{"NA", 4, {"tray 13", "handset 0x77"}},
                      StatusRow{"DND", 5, {"tray 13", "handset 0x72"}},
                      StatusRow{"INVISIBLE", 6, {"tray 13", "handset 0x78"}},
                      StatusRow{"OFFLINE", 1, {"handset 0x07", "tray 14", "handset 0x74"}},
                      StatusRow{"LOGGEDOUT", 1, {"handset 0x07", "tray 14", "handset 0x74"}},
                      // Values compare exactly.
                      StatusRow{"online", 1, {"handset 0x07", "tray 14", "handset 0x74"}},
                      StatusRow{"", 1, {"handset 0x07", "tray 14", "handset 0x74"}}));

TEST_F(AccountTest, ConnectionStatusOtherThanOnlineIsOfflineAndTellsTheHandset) {
    device->handsetPresent = 1;
    for (const char* value : {"CONNECTING", "OFFLINE", "LOGGEDOUT", "PAUSED"}) {
        shell.g_bHandsetAnnounced = 1;
        Feed(std::string("CONNSTATUS ") + value);
        EXPECT_EQ(OwnStatus(), OWN_STATUS_OFFLINE) << value;
        EXPECT_THAT(g_events.Take(), ElementsAre("handset 0x07", "tray 14")) << value;
        EXPECT_EQ(shell.g_bHandsetAnnounced.load(), 0) << value;
    }
}

TEST_F(AccountTest, ComingOnlineAnnouncesTheLinkOnlyOnceTheHistoryIsLoaded) {
    device->handsetPresent = 1;
    Feed("CONNSTATUS ONLINE");
    EXPECT_THAT(g_events.Take(), ElementsAre("tray 13"));

    engine->SetHistoryLoaded(1);
    device->m_bResync = 0;
    device->m_nDisplayContent = 0x0100;
    Feed("CONNSTATUS ONLINE");
    EXPECT_THAT(g_events.Take(),
                ElementsAre("handset 0x51", "pause 25", "handset 0x06", "tray 13"));
    EXPECT_EQ(device->m_bResync.load(), 1);
    EXPECT_EQ(device->m_nDisplayContent.load(), 0x0102);

    // A handset that has announced itself needs no announcement.
    shell.g_bHandsetAnnounced = 1;
    Feed("CONNSTATUS ONLINE");
    EXPECT_THAT(g_events.Take(), ElementsAre("tray 13"));
}

// The person set themselves offline (the handset's status key) and back: the
// handset is told the link is ready again, once, as when the connection
// comes back.
TEST_F(AccountTest, ComingBackFromOfflineAnnouncesTheLinkAgain) {
    device->handsetPresent = 1;
    engine->SetHistoryLoaded(1);
    shell.g_bHandsetAnnounced = 1;
    auto readies = [] {
        auto events = g_events.Take();
        return std::count(events.begin(), events.end(), "handset 0x51");
    };
    Feed("USERSTATUS OFFLINE");
    EXPECT_EQ(shell.g_bHandsetAnnounced.load(), 0);
    EXPECT_EQ(readies(), 0);
    Feed("USERSTATUS ONLINE");
    EXPECT_EQ(readies(), 1);
    Feed("USERSTATUS AWAY");  // no announcement has come yet: none is asked again
    EXPECT_EQ(readies(), 0);
}

// Before any status line the link counts as not offline; the tray then
// follows the connection status and the handset's presence.
TEST_F(AccountTest, TrayFollowsConnectionStatusAndHandsetPresence) {
    EXPECT_EQ(OwnStatus(), OWN_STATUS_UNKNOWN);
    device->handsetPresent = 1;
    engine->UpdateTrayState();
    Feed("CONNSTATUS CONNECTING");
    Feed("CONNSTATUS ONLINE");
    device->handsetPresent = 0;
    engine->UpdateTrayState();
    auto events = g_events.Take();
    std::erase_if(events, [](const std::string& e) { return e.rfind("tray", 0) != 0; });
    EXPECT_THAT(events, ElementsAre("tray 13", "tray 14", "tray 13", "tray 14"));
}

struct UserRow {
    int protocol;
    const char* line;
    std::vector<std::string> events;
};

class UserPropertyTest : public AccountTest, public ::testing::WithParamInterface<UserRow> {};

TEST_P(UserPropertyTest, ReachesTheContactListAndAsksWhatIsStillMissing) {
    const UserRow& row = GetParam();
    device->m_nProtocol = row.protocol;
    Feed(row.line);
    EXPECT_THAT(g_events.Take(), ElementsAreArray(row.events));
}

INSTANTIATE_TEST_SUITE_P(
    Protocol3And5, UserPropertyTest,
    ::testing::Values(
        // An empty display name: the newer protocol asks for the full name instead.
        UserRow{5, "USER bob DISPLAYNAME", {"bulk 10 bob 0"}},
        UserRow{3, "USER bob DISPLAYNAME", {"name bob '' 0", "bulk 7 bob 0"}},
        UserRow{5, "USER bob DISPLAYNAME Bob  Smith", {"name bob 'Bob Smith ' 10", "bulk 7 bob 0"}},
        UserRow{3, "USER bob DISPLAYNAME Bob", {"name bob 'Bob ' 4", "bulk 7 bob 0"}},
        // An empty full name: the handle stands in (its terminator counted).
        UserRow{5, "USER bob FULLNAME", {"name bob 'bob' 4", "bulk 7 bob 0"}},
        UserRow{
            3, "USER bob FULLNAME Robert Smith", {"name bob 'Robert Smith ' 13", "bulk 7 bob 0"}},
        UserRow{5, "USER bob ONLINESTATUS SKYPEOUT", {"status bob 3"}},
        UserRow{5, "USER bob ONLINESTATUS DND", {"status bob 3"}},
        UserRow{5, "USER bob ONLINESTATUS OFFLINE", {"status bob 0"}},
        UserRow{5, "USER bob ONLINESTATUS online", {"status bob 0"}},
        UserRow{5, "USER bob BUDDYSTATUS 1", {"remove bob"}},
        UserRow{5, "USER bob BUDDYSTATUS 2", {"add bob 0", "bulk 10 bob 0", "bulk 7 bob 0"}},
        UserRow{3, "USER bob BUDDYSTATUS 3", {"add bob 0", "bulk 10 bob 0", "bulk 7 bob 0"}},
        UserRow{5, "USER bob BUDDYSTATUS 0", {}}, UserRow{5, "USER bob BIRTHDAY 1990", {}},
        UserRow{5, "USER", {}}));

TEST_F(AccountTest, ProtocolVersionReachesTheHandsetStateAndAsksForTheNameAboveTwo) {
    device->handsetPresent = 1;
    Feed("PROTOCOL 5");
    EXPECT_EQ(device->m_nProtocol.load(), 5);
    EXPECT_THAT(g_events.Take(), ElementsAre("queue 16 - 0", "tray 13"));
    Feed("PROTOCOL 2");
    EXPECT_EQ(device->m_nProtocol.load(), 2);
    EXPECT_THAT(g_events.Take(), ElementsAre("tray 13"));
}

TEST_F(AccountTest, PrivilegeComparesIgnoringCaseAndAsksForTheBalanceOnlyWhenGranted) {
    Feed("PRIVILEGE SKYPEOUT FALSE");
    EXPECT_THAT(g_events.Take(), ElementsAre("balance 0"));
    Feed("PRIVILEGE SkypeOut true");
    EXPECT_THAT(g_events.Take(), ElementsAre("balance 0", "queue 23 - 0"));
    Feed("PRIVILEGE VOICEMAIL TRUE");
    EXPECT_THAT(g_events.Take(), IsEmpty());
}

TEST_F(AccountTest, BalanceIsKeptAsSentAndHeldAtTheLimitsOfInt) {
    Feed("PROFILE PSTN_BALANCE 1234");
    Feed("PROFILE PSTN_BALANCE 99999999999");
    Feed("PROFILE PSTN_BALANCE -99999999999");
    Feed("PROFILE PSTN_BALANCE");
    Feed("PROFILE PSTN_BALANCE_CURRENCY EUR");
    Feed("PROFILE FULLNAME Bob");
    EXPECT_THAT(g_events.Take(), ElementsAre("balance 1234", "balance " + std::to_string(INT_MAX),
                                             "balance " + std::to_string(INT_MIN)));
}

TEST_F(AccountTest, NewUserHandleEmptiesTheListsInOrder) {
    store.AddCall(7, 0);
    Feed("CURRENTUSERHANDLE alice");
    EXPECT_EQ(engine->OwnHandle(), "alice");
    EXPECT_THAT(g_events.Take(), ElementsAre("contacts ClearContacts", "store ClearCalls",
                                             "contacts ResetContactCursor", "store ResetBrowse"));
    int count = -1;
    store.GetCallCount(&count);
    EXPECT_EQ(count, 0);
}

TEST_F(AccountTest, LongOwnHandleIsCutToItsBuffer) {
    Feed("CURRENTUSERHANDLE " + std::string(700, 'h'));
    EXPECT_EQ(engine->OwnHandle(), std::string(CSkypeEngine::kOwnHandleSize - 1, 'h'));
}

TEST_F(AccountTest, OnlyMuteOnMutes) {
    Feed("MUTE ON");
    EXPECT_EQ(device->m_bMuted.load(), 1);
    EXPECT_THAT(g_events.Take(), ElementsAre("handset 0x2F"));
    for (const char* line : {"MUTE OFF", "MUTE on", "MUTE"}) {
        device->m_bMuted = 1;
        Feed(line);
        EXPECT_EQ(device->m_bMuted.load(), 0) << line;
        EXPECT_THAT(g_events.Take(), ElementsAre("handset 0x2E")) << line;
    }
}

TEST_F(AccountTest, AudioDeviceNamesAreConvertedAndReplaceTheLastReply) {
    using ::testing::_;
    ON_CALL(renderer, Utf8ToLocal(_, _)).WillByDefault([](const char* text, char* out) {
        std::snprintf(out, CLcdRenderer::kTextBufferSize, "local:%s", text);
        return S_OK;
    });
    char in[CSkypeEngine::kTextBufferSize] = {};
    char out[CSkypeEngine::kTextBufferSize] = {};
    Feed("AUDIO_IN Old Phone");
    Feed("AUDIO_IN USB   Phone");
    Feed("AUDIO_OUT Speakers");
    engine->GetAudioDeviceReplies(in, out);
    EXPECT_STREQ(in, "local:USB Phone ");
    EXPECT_STREQ(out, "local:Speakers ");
}

}  // namespace
}  // namespace kestrava::testing
