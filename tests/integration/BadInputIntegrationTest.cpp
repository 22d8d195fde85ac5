// What the two peers may send that they should not, with everything real but
// the peers: lines too long for any buffer or with no words, CALL lines whose
// ids are no call ids, names too long and cut inside a character, a contact
// list of ten thousand, input reports out of the protocol's ranges or of odd
// lengths, a handset that stops answering or floods, a client that hangs.
// After each the program must go on as a phone: a call rings, shows its
// caller, is answered by lifting the receiver and ended by putting it down.
#include <algorithm>
#include <string>
#include <vector>

#include "LiveProgram.h"

namespace kestrava::testing {
namespace {

constexpr std::uint8_t kContactList = 0x60, kFirstReachable = 0x6A, kLeaveList = 0x6F,
                       kCallList = 0x6E, kAway = 0x76;

// `count` copies of `unit`.
std::string Repeat(const std::string& unit, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += unit;
    return text;
}

const std::string kWang = "\xE7\x8E\x8B";  // 王, three bytes in UTF-8

class BadInputIntegrationTest : public LiveProgram {
  protected:
    BadInputIntegrationTest() = default;
    explicit BadInputIntegrationTest(sim::SkypeClientSim::Options options)
        : LiveProgram(std::move(options)) {}

    // The main thread takes a message sent to its window within the time.
    bool MainWindowAnswers(std::chrono::milliseconds within = 2s) {
        WindowHandle window = application->State().mainWindow.load();
        return window != 0 && program->Send(window, 0, 0, 0, within).has_value();
    }

    int CurrentCallId() { return application->Links().CurrentCallId(); }
    long LogSize() { return static_cast<long>(skype.LogSize()); }

    // The handset's away key still reaches Skype as its command.
    bool TheAwayKeyActs() {
        long from = LogSize();
        handset.PressKey(kAway);
        return WaitForCommand("SET USERSTATUS AWAY", from);
    }

    // Sends the lines in order and waits until the client has handed the
    // last one over; then makes the parser show that it has taken them all:
    // a history change is answered with a search of the calls.
    void SendLinesAndWaitForTheParser(const std::vector<std::string>& lines) {
        long from = LogSize();
        for (const std::string& line : lines) skype.Notify(line);
        skype.Notify("CALLHISTORYCHANGED");
        ASSERT_TRUE(WaitForCommand("SEARCH CALLS", from)) << "the parser stopped taking lines";
    }

    // No command the program sent since `from` is longer than its command
    // buffer keeps, or mentions `text`.
    void ExpectNoCommandWith(const std::string& text, long from) {
        auto log = skype.Log();
        for (long i = from; i < static_cast<long>(log.size()); ++i) {
            if (log[i].rfind("COMMAND ", 0) != 0) continue;
            EXPECT_LE(log[i].size() - 8, 254u) << log[i].substr(0, 80);
            EXPECT_EQ(log[i].find(text), std::string::npos) << log[i].substr(0, 80);
        }
    }

    // Every thread answers: a call from Alice rings the handset, her name
    // comes in a whole transfer, lifting the receiver answers the call and
    // putting it down ends it.
    void ExpectThePhoneStillWorks() {
        ASSERT_TRUE(MainWindowAnswers()) << "the main thread does not answer";
        ASSERT_TRUE(WaitUntil([&] { return CurrentCallId() == 0; }))
            << "a call " << CurrentCallId() << " is left over";
        ASSERT_FALSE(handset.IsRinging());
        const int id = m_nextCheckCall++;
        const std::string call = "NOTIFY CALL " + std::to_string(id) + " STATUS ";
        long from = LogSize();
        int transfers = handset.TransfersCompleted();
        skype.IncomingCall(id, "alice.liddell");
        ASSERT_TRUE(handset.WaitForRinging(true, kPatience)) << "the handset does not ring";
        EXPECT_TRUE(WaitUntil([&] {
            return handset.TransfersCompleted() > transfers && handset.LcdText() == "Alice ";
        })) << "the caller's name did not appear:\n"
            << handset.LcdPicture();
        handset.LiftReceiver();
        ASSERT_TRUE(WaitForLogEntry(call + "INPROGRESS", from))
            << "lifting the receiver did not answer";
        ASSERT_TRUE(handset.WaitForRinging(false, kPatience));
        handset.PutDownReceiver();
        ASSERT_TRUE(WaitForLogEntry(call + "FINISHED", from))
            << "putting the receiver down did not end the call";
        // The call is archived once its last details are in, and the call
        // timer is drawn.
        ASSERT_TRUE(WaitUntil([&] { return CurrentCallId() == 0; }));
        ASSERT_TRUE(WaitUntil(
            [&] { return library->m_bTransferActive.load() == 0 && !handset.InTransfer(); }));
    }

    int m_nextCheckCall = 9001;
};

// --- lines from the client ---------------------------------------------------

TEST_F(BadInputIntegrationTest, LinesLongerThanAnyBufferOrWithoutWordsAreReadSafely) {
    const std::size_t k64 = 64 * 1024;
    std::vector<std::string> lines = {
        "",
        " ",
        Repeat(" ", 300),
        "\t\t\r\n",
        Repeat("x", k64),
        Repeat("ab ", k64 / 3),
        "CALL " + Repeat("9", k64),
        "CALL 101 PARTNER_DISPNAME " + Repeat(kWang, k64 / 3),
        "USER alice.liddell FULLNAME " + Repeat("x", k64),
        "USERSTATUS " + Repeat("ONLINE", k64 / 6),
        "USERSTATUS ONLINE",
        "CONNSTATUS " + Repeat("O", k64),
        "CONNSTATUS ONLINE",
        "AUDIO_IN " + Repeat("USB ", k64 / 4),
        "PROFILE PSTN_BALANCE " + Repeat("9", k64),
    };
    // Each word just under, at and just over its buffer (first word 255
    // bytes, second 1020, third 510, fourth 255, names 254, own handle 259).
    for (std::size_t delta : {0, 1, 2}) {
        lines.push_back(Repeat("C", 253 + delta));
        lines.push_back("CALL " + Repeat("1", 1018 + delta) + " STATUS RINGING");
        lines.push_back("CALL 101 " + Repeat("S", 508 + delta) + " RINGING");
        lines.push_back("CALL 101 STATUS " + Repeat("R", 253 + delta));
        lines.push_back("USER alice.liddell FULLNAME " + Repeat("n", 253 + delta));
        lines.push_back("USER alice.liddell DISPLAYNAME " + Repeat(kWang, 84) + Repeat("d", delta));
        lines.push_back("CURRENTUSERHANDLE " + Repeat("h", 258 + delta));
    }
    lines.push_back("CURRENTUSERHANDLE kestrava.tester");
    lines.push_back("USER alice.liddell DISPLAYNAME Alice");
    long from = LogSize();
    ASSERT_NO_FATAL_FAILURE(SendLinesAndWaitForTheParser(lines));
    ExpectNoCommandWith(Repeat("1", 300), from);
    ExpectThePhoneStillWorks();
}

TEST_F(BadInputIntegrationTest, CallLinesWhoseIdsAreNoCallIdsCreateNoCall) {
    const char* kIds[] = {
        "99999999999999999999", "2147483648", "-5", "-2147483648", "0", "x", "-0"};
    const char* kLines[] = {"STATUS RINGING",    "STATUS ROUTING",           "STATUS EARLYMEDIA",
                            "STATUS INPROGRESS", "PARTNER_DISPNAME Mallory", "STATUS FINISHED"};
    std::vector<std::string> lines;
    for (const char* id : kIds) {
        for (const char* rest : kLines) lines.push_back(std::string("CALL ") + id + " " + rest);
    }
    long from = LogSize();
    ASSERT_NO_FATAL_FAILURE(SendLinesAndWaitForTheParser(lines));
    EXPECT_EQ(CurrentCallId(), 0);
    EXPECT_FALSE(handset.IsRinging());
    for (const char* id : {" -5 ", " -2147483648 ", " 2147483647 ", " 0 ", "    -5 "}) {
        ExpectNoCommandWith(std::string("CALL") + id, from);
    }
    ExpectThePhoneStillWorks();
}

TEST_F(BadInputIntegrationTest, CallLinesWithMissingFieldsOrUnknownStatusesChangeNothing) {
    std::vector<std::string> lines = {
        "CALL",
        "CALL ",
        "CALL 101",
        "CALL 101 STATUS",
        "CALL 101 STATUS ringing",
        "CALL 101 STATUS RINGINGRINGING",
        "CALL 101 STATUS 2",
        "CALL 101 STATUS UNPLACED",
        "CALL 101 FROBNICATE 1",
        "CALL 101 PARTNER_DISPNAME",
        "CALL 101 PARTNER_HANDLE",
        "CALL 101 DURATION",
        "CALL 101 DURATION -99999999999999999999",
        "CALL 101 SEEN",
        "CALL 101 TIMESTAMP",
        "CALL 101 TIMESTAMP 99999999999999999999999",
        "CALL STATUS RINGING",
    };
    long from = LogSize();
    ASSERT_NO_FATAL_FAILURE(SendLinesAndWaitForTheParser(lines));
    EXPECT_EQ(CurrentCallId(), 0);
    EXPECT_FALSE(handset.IsRinging());
    ExpectNoCommandWith("CALL 101 ", from);
    ExpectThePhoneStillWorks();
}

// A caller whose name is 300 bytes of three-byte characters, or is cut inside
// a character: the client shows an unknown caller's handle as the name.
TEST_F(BadInputIntegrationTest, LongAndBrokenMultiByteNamesAreDrawnAndTheCallGoesOn) {
    struct Case {
        const char* what;
        std::string name;
    };
    const Case kCases[] = {
        {"300 bytes", Repeat(kWang, 100)},
        {"299 bytes, cut inside the last character", Repeat(kWang, 100).substr(0, 299)},
        {"cut inside a character after two", Repeat(kWang, 2) + "\xE7\x8E"},
        {"a lone continuation byte", "\x8E" + kWang},
    };
    int id = 500;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        long from = LogSize();
        long reportsFrom = static_cast<long>(handset.OutputReports().size());
        skype.IncomingCall(id, c.name);
        // The call comes while the last one's missed-call screen is still
        // being drawn: that transfer is stopped and the handset rings.
        ASSERT_TRUE(handset.WaitForRinging(true, kPatience))
            << ClientLogSince(from) << HandsetReportsSince(reportsFrom);
        const int transfers = handset.TransfersCompleted();
        ASSERT_TRUE(WaitForCommand("GET CALL " + std::to_string(id) + " PARTNER_DISPNAME", from));
        ASSERT_TRUE(WaitUntil([&] {
            return handset.TransfersCompleted() > transfers &&
                   handset.LcdPicture().find("[]") != std::string::npos;
        })) << "the name's glyphs never reached the handset"
            << HandsetReportsSince(reportsFrom);
        EXPECT_TRUE(handset.IsRinging());
        EXPECT_LE(handset.LcdText().size(), 32u) << handset.LcdText();
        skype.GiveUpCall(id);
        ASSERT_TRUE(WaitForCommand("GET CALL " + std::to_string(id) + " TIMESTAMP", from));
        ASSERT_TRUE(WaitUntil([&] { return CurrentCallId() == 0; }));
        ++id;
    }
    // A contact's full and display names of the same kind.
    ASSERT_NO_FATAL_FAILURE(SendLinesAndWaitForTheParser({
        "USER alice.liddell FULLNAME " + Repeat(kWang + " ", 75),
        "USER alice.liddell FULLNAME " + Repeat(kWang, 100).substr(0, 299),
        "USER alice.liddell DISPLAYNAME " + Repeat(kWang, 99) + "\xE7",
        "USER alice.liddell DISPLAYNAME Alice",
    }));
    ExpectThePhoneStillWorks();
}

// --- a contact list of ten thousand -----------------------------------------

// The sanitizers slow every thread several times over.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// A ring reaches the caller's name on the LCD within the pauses the handset
// protocol prescribes on that way (1000 ms after the ring, then 15, 25 and
// 3 ms in the upload of a single item) and 50 ms, whatever else the link is
// doing.
constexpr auto kRingToNameGoal = kSanitized ? 1043ms + 1000ms : 1043ms + 50ms;

class BigAccountIntegrationTest : public BadInputIntegrationTest {
  protected:
    BigAccountIntegrationTest() : BadInputIntegrationTest(Options()) { m_startPatience = 60s; }
    static sim::SkypeClientSim::Options Options() {
        sim::SkypeClientSim::Options options;
        options.extraContacts = 10000;
        // A real client answers each command in its own window procedure,
        // and with a large account that takes its time.
        options.commandCost = 200us;
        return options;
    }
};

TEST_F(BigAccountIntegrationTest, ACallRingsWithItsCallersNameWhileTenThousandContactsLoad) {
    // The handset has announced itself (the history is in); the contacts'
    // names and statuses are still being asked, the last contact's last.
    const std::string lastQuestion = "COMMAND GET USER contact10000 ONLINESTATUS";
    ASSERT_EQ(IndexOf(skype.Log(), lastQuestion), -1) << "the contacts had loaded before the call";
    constexpr int kId = 700;
    const auto rung = std::chrono::steady_clock::now();
    skype.IncomingCall(kId, "alice.liddell");
    ASSERT_TRUE(handset.WaitForRinging(true, kPatience)) << "the handset does not ring";
    ASSERT_TRUE(WaitUntil([&] { return handset.LcdText() == "Alice "; }, 60s))
        << "the caller's name did not appear:\n"
        << handset.LcdPicture();
    const auto named = std::chrono::steady_clock::now();
    EXPECT_LE(named - rung, kRingToNameGoal)
        << "the name took "
        << std::chrono::duration_cast<std::chrono::milliseconds>(named - rung).count() << " ms";
    skype.GiveUpCall(kId);
    ASSERT_TRUE(WaitUntil([&] { return CurrentCallId() == 0; }));

    // Every contact of the USERS reply is asked about, the last one too, and
    // the questions and answers come to an end. (The log grows to some
    // 100,000 entries: each look reads only what is new.)
    std::size_t looked = 0;
    ASSERT_TRUE(skype.WaitForLog(
        [&](const std::vector<std::string>& log) {
            for (; looked < log.size(); ++looked) {
                if (log[looked] == lastQuestion) return true;
            }
            return false;
        },
        120s))
        << "the last contact was never asked about";
    ASSERT_TRUE(WaitUntil(
        [&] {
            long size = LogSize();
            std::this_thread::sleep_for(500ms);
            return LogSize() == size;
        },
        120s))
        << "the link never came to rest";
    ExpectThePhoneStillWorks();
    // The handset browses the list: its first entry is drawn.
    int transfers = handset.TransfersCompleted();
    handset.PressKey(kContactList);
    handset.PressKey(kFirstReachable);
    EXPECT_TRUE(WaitUntil([&] { return handset.TransfersCompleted() > transfers; }))
        << handset.LcdPicture();
    handset.PressKey(kLeaveList);
}

// --- input reports from the handset ------------------------------------------

// A sequence field outside 0..7 is no report the handset sends. While a list
// is browsed the call-list and send keys are taken whatever their number;
// such a report must neither be answered nor put the program's count out of
// step with the handset's.
TEST_F(BadInputIntegrationTest, ReportsWithSequenceFieldsOutsideTheProtocolAreNotTaken) {
    // In the contact list, on its first entry.
    int transfers = handset.TransfersCompleted();
    handset.PressKey(kContactList);
    handset.PressKey(kFirstReachable);
    ASSERT_TRUE(WaitUntil([&] {
        return handset.TransfersCompleted() > transfers && handset.UnacknowledgedReports() == 0 &&
               library->m_bTransferActive.load() == 0;
    }));
    std::size_t reports = handset.OutputReports().size();
    for (std::uint8_t seq : {0x08, 0x09, 0x0F, 0x13, 0x24, 0x54, 0x7F, 0x80, 0xF5, 0xFF}) {
        for (std::uint8_t code : {kCallList, std::uint8_t{0x31}, kAway}) {
            handset.SendInputReport({0, 0, code, seq, 0, 0, 0, 0});
        }
    }
    ASSERT_TRUE(handset.WaitForReportsRead(kPatience));
    ASSERT_TRUE(WaitUntil([&] { return library->QueuedReports() == 0; }));
    std::this_thread::sleep_for(300ms);
    // Nothing answered them: all the handset heard since is the focus timer.
    auto outputs = handset.OutputReports();
    for (std::size_t i = reports; i < outputs.size(); ++i) {
        EXPECT_TRUE(IsCommand(outputs[i], HS_SKYPE_FOCUS) ||
                    IsCommand(outputs[i], HS_SKYPE_NOFOCUS))
            << "a bad report was answered: report " << int(outputs[i][3]) << ", "
            << int(outputs[i][4]);
    }
    // Keys after them are still taken in the handset's own order.
    handset.PressKey(kLeaveList);
    ASSERT_TRUE(WaitUntil([&] { return handset.UnacknowledgedReports() == 0; }))
        << "the key after the bad reports was not taken";
    EXPECT_TRUE(TheAwayKeyActs());
    ExpectThePhoneStillWorks();
}

// Packets of every length but the device's: shorter ones carry no sequence
// field to check, longer ones are cut by the device node. The missing bytes
// of a short packet must not be read as a sequence number 0 and a key.
TEST_F(BadInputIntegrationTest, ReportsOfOddLengthsLeaveTheSequenceInStep) {
    // Until the program expects number 0, the number a missing byte reads as.
    for (int i = 0; i < 4 && handset.LastNormalReport()[3] != 3; ++i) {
        handset.PressKey(kAway);
        ASSERT_TRUE(WaitUntil([&] { return handset.UnacknowledgedReports() == 0; }));
    }
    ASSERT_EQ(handset.LastNormalReport()[3], 3);
    auto awayTexts = [&] {
        auto commands = skype.CommandsReceived();
        return std::count(commands.begin(), commands.end(), "SET USERSTATUS AWAY");
    };
    const long before = awayTexts();
    long from = LogSize();
    for (std::size_t length : {1, 2, 3, 4, 5, 6, 8, 9, 64, 200}) {
        // Button byte, code, then a sequence field where there is room for one.
        std::vector<std::uint8_t> packet(length, 0);
        if (length > 1) packet[1] = kAway;
        for (std::size_t i = 2; i < length; ++i) packet[i] = static_cast<std::uint8_t>(0xA0 + i);
        handset.SendRawPacket(packet);
        // Too short to hold a sequence field: only zeros would stand in for one.
        if (length < 3) handset.SendRawPacket(std::vector<std::uint8_t>(length, 0));
    }
    ASSERT_TRUE(handset.WaitForReportsRead(kPatience));
    ASSERT_TRUE(MainWindowAnswers());
    handset.PressKey(kAway);
    ASSERT_TRUE(WaitForCommand("SET USERSTATUS AWAY", from))
        << "the key after the odd reports was not taken";
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(awayTexts(), before + 1) << "a short packet was taken for a key";
    ExpectThePhoneStillWorks();
}

// A chattering handset: for three seconds it repeats its last report and
// sends stray transfer replies and reports out of range, thousands a second.
TEST_F(BadInputIntegrationTest, AFloodOfReportsIsSurvivedAndTheNextKeyIsTaken) {
    const auto last = handset.LastNormalReport();
    const auto end = std::chrono::steady_clock::now() + 3s;
    long sent = 0;
    bool answered = true;
    while (std::chrono::steady_clock::now() < end) {
        for (int i = 0; i < 50; ++i, ++sent) {
            switch (sent % 4) {
                case 0:
                case 1:
                    handset.SendInputReport(last);
                    break;
                case 2:
                    handset.SendInputReport(
                        {0, 0, 0x42, static_cast<std::uint8_t>(4 + sent % 4), 0, 0, 0, 0});
                    break;
                default:
                    handset.SendInputReport(
                        {0, 0, kAway, static_cast<std::uint8_t>(8 + sent % 200), 0, 0, 0, 0});
                    break;
            }
        }
        if (sent % 5000 == 0) answered = answered && MainWindowAnswers();
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_GT(sent, 3000);
    EXPECT_TRUE(answered) << "the main thread stopped answering during the flood";
    ASSERT_TRUE(handset.WaitForReportsRead(30s)) << "the program stopped reading reports";
    ASSERT_TRUE(WaitUntil([&] { return library->QueuedReports() == 0; }))
        << "the flood was never worked off";
    ASSERT_TRUE(TheAwayKeyActs());
    ExpectThePhoneStillWorks();
}

// The handset stops asking for the texts it is told of: the caller's name
// never goes, and nothing waits for it.
TEST_F(BadInputIntegrationTest, AHandsetThatNeverAsksForTheTextHoldsNothingUp) {
    handset.SetAnswersTextAnnouncements(false);
    long from = LogSize();
    std::size_t reports = handset.OutputReports().size();
    skype.IncomingCall(700, "alice.liddell");
    ASSERT_TRUE(handset.WaitForRinging(true, kPatience));
    ASSERT_GE(WaitForHandsetCommand(HS_TEXT_FONT, static_cast<long>(reports)), 0);
    std::this_thread::sleep_for(2500ms);
    EXPECT_TRUE(MainWindowAnswers());
    handset.LiftReceiver();
    ASSERT_TRUE(WaitForLogEntry("NOTIFY CALL 700 STATUS INPROGRESS", from));
    handset.PutDownReceiver();
    ASSERT_TRUE(WaitForLogEntry("NOTIFY CALL 700 STATUS FINISHED", from));
    ASSERT_TRUE(WaitUntil([&] { return CurrentCallId() == 0; }));
    EXPECT_EQ(library->m_bTransferActive.load(), 0);
    // And once it answers again, the texts go as before.
    handset.SetAnswersTextAnnouncements(true);
    ExpectThePhoneStillWorks();
}

// --- a client that hangs -----------------------------------------------------

TEST_F(BadInputIntegrationTest, AClientThatHangsHoldsTheProgramUpOnlyForTheBoundedSends) {
    skype.Stall(6s);
    ASSERT_TRUE(WaitForLogEntry("STALL 6000"));
    const auto start = std::chrono::steady_clock::now();
    // Two keys whose texts go to the hung client: the second is taken once
    // the first one's send has given up, well before the client wakes.
    handset.PressKey(kAway);
    handset.PressKey(kAway);
    EXPECT_TRUE(MainWindowAnswers(1s)) << "the main thread waits for the client";
    ASSERT_TRUE(WaitUntil([&] { return handset.UnacknowledgedReports() == 0; }, 5s));
    auto log = skype.Log();
    EXPECT_EQ(IndexOf(log, "STALL END"), -1)
        << "the keys waited for the client: "
        << std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
               .count()
        << " ms";
    ASSERT_TRUE(WaitForLogEntry("STALL END"));
    ExpectThePhoneStillWorks();
}

}  // namespace
}  // namespace kestrava::testing
