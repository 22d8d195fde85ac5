// A soak of the whole phone: for a given time (KESTRAVA_SOAK_SECONDS, 60 by
// default) random calls, random handset keys (also in the wrong state), short
// stories that take calls through holds, second calls and history changes,
// the handset unplugged and plugged in again, and Skype announcing itself
// again and changing its connection, all through the simulated peers. At
// quiet points along the way the program's calls must be the client's (see
// CallRefinement.h). Afterwards
// the program must still take a call end to end, every command it queued
// must have gone to Skype in order, the handset must not be left inside a
// transfer, and the program's memory must not have grown.
#include <gtest/gtest.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <set>

#include "CallRefinement.h"
#include "LiveProgram.h"
#include "protocol/CallStatus.h"
#include "sim/HeapBytes.h"

namespace kestrava::testing {
namespace {

// Every command the engine queued and handed to Skype, as it saw them.
class CommandRecord final : public CSkypeEngine::OutgoingObserver {
  public:
    struct Sending {
        std::string text;
        bool delivered;
        bool straight;
        CommandLane lane;
    };

    void Queued(const std::string& text, CommandLane lane) override {
        std::lock_guard lock(m_mutex);
        // An empty text only ends a run of the sender; it is never sent.
        if (!text.empty()) (lane == CommandLane::Bulk ? m_queuedBulk : m_queued).push_back(text);
    }
    void Sent(const std::string& text, bool delivered, bool straight, CommandLane lane) override {
        std::lock_guard lock(m_mutex);
        m_sent.push_back(Sending{text, delivered, straight, lane});
    }

    // The texts queued in `lane`, in the order queued.
    std::vector<std::string> QueuedTexts(CommandLane lane) const {
        std::lock_guard lock(m_mutex);
        return lane == CommandLane::Bulk ? m_queuedBulk : m_queued;
    }
    std::size_t QueuedCount() const {
        std::lock_guard lock(m_mutex);
        return m_queued.size() + m_queuedBulk.size();
    }
    std::vector<Sending> SentTexts() const {
        std::lock_guard lock(m_mutex);
        return m_sent;
    }
    std::size_t SentCount() const {
        std::lock_guard lock(m_mutex);
        return m_sent.size();
    }

    // The memory the record itself holds (see HeapBlock).
    std::size_t Bytes(sim::HeapBlockSize block) const {
        std::lock_guard lock(m_mutex);
        std::size_t bytes = block(m_queued.capacity() * sizeof(std::string)) +
                            block(m_queuedBulk.capacity() * sizeof(std::string)) +
                            block(m_sent.capacity() * sizeof(Sending));
        for (const std::string& t : m_queued) bytes += sim::TextHeapBytes(t, block);
        for (const std::string& t : m_queuedBulk) bytes += sim::TextHeapBytes(t, block);
        for (const Sending& s : m_sent) bytes += sim::TextHeapBytes(s.text, block);
        return bytes;
    }

  private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_queued;      // the live lane
    std::vector<std::string> m_queuedBulk;  // the bulk lane
    std::vector<Sending> m_sent;
};

// Under a sanitizer the allocations go to the sanitizer's own allocator,
// which the C library's counts do not see: there the heap is not measured
// (the sanitizer checks for leaks and races instead).
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kHeapMeasured = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kHeapMeasured = false;
#else
constexpr bool kHeapMeasured = true;
#endif
#else
constexpr bool kHeapMeasured = true;
#endif

// Every thread allocates from the main arena, the one the C library counts
// (set before any thread of the test starts).
const int kOneArena = kHeapMeasured ? mallopt(M_ARENA_MAX, 1) : 0;

constexpr std::size_t kHistoryKept = 100;

bool HistoryUncapped() {
    const char* text = std::getenv("KESTRAVA_SOAK_HISTORY");
    return text != nullptr && std::string(text) == "all";
}

constexpr long kHeapGrowthLimit = 4L * 1024 * 1024;

// What one allocation of n bytes takes from the C library's heap: a chunk of
// the request and an 8-byte header, in 16-byte steps, 32 at least.
std::size_t HeapBlock(std::size_t n) {
    return n == 0 ? 0 : std::max<std::size_t>(32, (n + 8 + 15) & ~std::size_t{15});
}

long PeakResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return 0;
}

int SoakSeconds() {
    const char* text = std::getenv("KESTRAVA_SOAK_SECONDS");
    int seconds = text ? std::atoi(text) : 60;
    return seconds > 0 ? seconds : 60;
}

unsigned SoakSeed() {
    if (const char* text = std::getenv("KESTRAVA_SOAK_SEED")) {
        return static_cast<unsigned>(std::strtoul(text, nullptr, 10));
    }
    return std::random_device{}();
}

const std::vector<std::string> kHandles = {"alice.liddell", "wang.xiaoming", "yamada.taro",
                                           "echo123", "nobody.known"};

// Keys a person presses, weighted towards the ones that move calls.
const std::vector<std::uint8_t> kCallKeys = {0x1F, 0x20, 0x23, 0x31, 0x1F, 0x20, 0x31};
const std::vector<std::uint8_t> kOtherKeys = {
    0x1A, 0x21, 0x2B, 0x2E, 0x2F, 0x40, 0x41, 0x53, 0x54, 0x60, 0x6A, 0x6B, 0x6D,
    0x6E, 0x6F, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0xB0, 0xB5, 0xBA, 0xBB,
    0xBC, 0xBD, 0xBE, 0xBF, 0xD0, 0xD2, 0xD3, 0xE9, 0xEA, 0xEE, 0xEF, 0x06, 0x2D};

// The index of the first of `received` that is neither the next text of
// `queue` (whose order is kept) nor one of `straight` (sent from other
// threads, in any order); the size of `received` when texts are missing at
// its end; -1 when it is exactly the two put together.
long FirstUnexplained(const std::vector<std::string>& received,
                      const std::vector<std::string>& queue,
                      const std::multiset<std::string>& straight) {
    std::map<std::string, long> straightCount;
    for (const std::string& text : straight) ++straightCount[text];
    std::map<std::string, std::vector<long>> queuePositions;
    for (long i = 0; i < static_cast<long>(queue.size()); ++i)
        queuePositions[queue[i]].push_back(i);
    std::map<std::string, long> seen;
    // Every count of queued texts matched so far that explains what came.
    std::set<long> reachable{0};
    const long queued = static_cast<long>(queue.size());
    for (long i = 0; i < static_cast<long>(received.size()); ++i) {
        const std::string& text = received[i];
        long before = seen[text]++;
        const std::vector<long>& positions = queuePositions[text];
        std::set<long> next;
        for (long matched : reachable) {
            if (matched < queued && queue[matched] == text) next.insert(matched + 1);
            long queuedBefore =
                std::lower_bound(positions.begin(), positions.end(), matched) - positions.begin();
            if (before - queuedBefore < straightCount[text]) next.insert(matched);
        }
        if (next.empty()) return i;
        reachable = std::move(next);
    }
    bool complete = reachable.contains(queued) && received.size() == queue.size() + straight.size();
    return complete ? -1 : static_cast<long>(received.size());
}

class SoakTest : public LiveProgram {
  protected:
    void BeforeRun() override {
        application->SetOutgoingObserver(&commands);
        // A client forgets old calls, so the heap measures leaks, not the
        // history's length. KESTRAVA_SOAK_HISTORY=all keeps every call (what a
        // history change costs then shows in the commands queued and the peak).
        if (!HistoryUncapped()) skype.LimitHistory(kHistoryKept);
        m_strictAcknowledgements = false;
    }

    // A failed run leaves the client's whole log behind for a closer look.
    void TearDown() override {
        if (HasFailure()) {
            if (const char* path = std::getenv("KESTRAVA_SOAK_LOG")) {
                std::ofstream out(path);
                for (const std::string& entry : skype.Log()) out << entry << "\n";
            }
        }
        LiveProgram::TearDown();
    }

    int CurrentStatus() { return application->Links().CurrentCallStatus(); }
    int CurrentCallId() { return application->Links().CurrentCallId(); }

    // What the client's log says about one call, for a failure message.
    std::string CallHistoryOf(int id) {
        std::string history = "call " + std::to_string(id) + " (the program's current call " +
                              std::to_string(CurrentCallId()) + ", status " +
                              std::to_string(CurrentStatus()) + "):";
        std::string mark = " " + std::to_string(id) + " ";
        for (const std::string& entry : skype.Log()) {
            if ((entry + " ").find(mark) != std::string::npos) history += "\n  " + entry;
        }
        // The whole log, for a closer look at what went wrong.
        if (const char* path = std::getenv("KESTRAVA_SOAK_LOG")) {
            std::ofstream out(path);
            for (const std::string& entry : skype.Log()) out << entry << "\n";
            history += "\n(the client's log is in " + std::string(path) + ")";
        }
        return history;
    }

    void PostDeviceChange() {
        program->Post(application->State().mainWindow.load(), msg::kDeviceChange,
                      kDeviceNodesChanged, 0);
    }

    void Count(const std::string& what) { ++counts[what]; }

    // A short story of several steps that takes calls where single random
    // steps seldom do.
    void StoryStep(std::mt19937& random) {
        auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        auto pause = [&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50 + pick(400)));
        };
        const std::string& handle = kHandles[pick(static_cast<int>(kHandles.size()))];
        const int id = nextCallId++;
        switch (pick(6)) {
            case 0:  // answered, held, and the receiver put down
                calls.push_back(id);
                skype.IncomingCall(id, handle);
                pause();
                handset.LiftReceiver();
                pause();
                handset.PressKey(0x23);
                pause();
                handset.PutDownReceiver();
                Count("stories: held and put down");
                break;
            case 1:  // the far end hangs up a held call
                calls.push_back(id);
                skype.IncomingCall(id, handle);
                pause();
                skype.AnswerCall(id);
                pause();
                skype.HoldCall(id);
                pause();
                skype.FinishCall(id);
                Count("stories: held and hung up at the far end");
                break;
            case 2: {  // a number calls during a call and send answers it
                calls.push_back(id);
                skype.IncomingCall(id, handle);
                pause();
                handset.LiftReceiver();
                pause();
                const int second = nextCallId++;
                calls.push_back(second);
                skype.IncomingCall(second, "+4930" + std::to_string(1000 + pick(9000)));
                pause();
                handset.PressKey(0x31);
                pause();
                skype.FinishCall(pick(2) ? id : second);
                Count("stories: second call answered with send");
                break;
            }
            case 3:  // the history changes while a call is up
                calls.push_back(id);
                skype.IncomingCall(id, handle);
                pause();
                if (pick(2)) handset.LiftReceiver();
                skype.Notify("CALLHISTORYCHANGED");
                Count("stories: history changes during a call");
                break;
            case 4:  // missed calls one after the other
                skype.MissedCall(id, handle);
                pause();
                skype.MissedCall(nextCallId++, handle);
                Count("stories: missed calls in a row");
                break;
            default:  // the contact action dialog's keys
                for (std::uint8_t key : {0xD0, 0xD2, 0xD3, 0xBD, 0x31}) {
                    if (pick(3) != 0) handset.PressKey(key);
                    std::this_thread::sleep_for(std::chrono::milliseconds(20 + pick(100)));
                }
                handset.PressKey(0x6F);
                Count("stories: contact action dialog");
                break;
        }
    }

    // A quiet point: no line from the client in flight or waiting, no
    // command waiting, no transfer, no key held back, and the client's log
    // still for a moment. False when none came in a few seconds.
    bool WaitForQuiet() {
        auto quiet = [&] {
            CSkypeEngine* engine = application->Engine();
            return engine != nullptr && engine->LinkIdle() &&
                   library->m_bTransferActive.load() == 0 && !handset.InTransfer() &&
                   handset.HeldKeys() == 0 && application->State().g_bHandsetAnnounced.load() != 0;
        };
        return WaitUntil(
            [&, size = skype.LogSize(), since = std::chrono::steady_clock::now()]() mutable {
                std::size_t now = skype.LogSize();
                if (now != size || !quiet()) {
                    size = now;
                    since = std::chrono::steady_clock::now();
                    return false;
                }
                return std::chrono::steady_clock::now() - since >= 300ms;
            },
            5s);
    }

    ProgramCalls ReadProgramCalls() {
        ProgramCalls view;
        CSessionStore* store = application->SessionStore();
        if (store == nullptr) return view;
        store->GetCurrentCallId(&view.currentId);
        if (view.currentId != 0) store->GetCurrentCallStatus(&view.currentStatus);
        store->GetSecondCallId(&view.secondId);
        if (view.secondId != 0) store->GetSecondCallStatus(&view.secondStatus);
        view.ringing = handset.IsRinging();
        view.lcd = handset.LcdText();
        return view;
    }

    // At a quiet point the program's calls must be the client's; the first
    // difference fails the run with the client's last lines.
    void CheckAtQuietPoint(long step) {
        if (refinementFailed || !WaitForQuiet()) {
            if (!refinementFailed) Count("quiet points not reached");
            return;
        }
        const std::size_t logBefore = skype.LogSize();
        sim::SkypeClientSim::CallsView client = skype.Calls();
        ProgramCalls program = ReadProgramCalls();
        if (skype.LogSize() != logBefore || !application->Engine()->LinkIdle()) return;
        Count("quiet points checked");
        bool extraRing = false;
        const std::string differences = CompareCalls(program, client, &extraRing);
        if (extraRing) Count("quiet points where the handset rang with no call ringing");
        if (differences.empty()) return;
        refinementFailed = true;
        ADD_FAILURE() << "at step " << step
                      << " the program's calls differ from the client's:" << differences
                      << "\nthe program's second call " << program.secondId << ", status "
                      << program.secondStatus << "; the client's live calls:" << LiveCalls(client)
                      << "\nthe LCD:\n"
                      << handset.LcdPicture()
                      << ClientLogSince(std::max(0L, static_cast<long>(skype.LogSize()) - 40))
                      << "\n"
                      << CallHistoryOf(program.currentId);
    }

    static std::string LiveCalls(const sim::SkypeClientSim::CallsView& client) {
        std::string text;
        for (const sim::SimCall& call : client.live) {
            text += " " + std::to_string(call.id) + (call.incoming ? " in " : " out ") +
                    sim::StatusName(call.state) + (call.earlyMedia ? " (early media)" : "") + ";";
        }
        return text;
    }

    // One random step of a person at the handset, a caller, or Skype.
    void RandomStep(std::mt19937& random) {
        auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        const std::string& handle = kHandles[pick(static_cast<int>(kHandles.size()))];
        // Mostly one of the recent calls.
        auto liveCall = [&] {
            int recent = std::min(static_cast<int>(calls.size()), 8);
            return recent == 0 ? 0 : calls[calls.size() - 1 - pick(recent)];
        };
        int roll = pick(100);
        if (roll < 12) {
            calls.push_back(nextCallId);
            skype.IncomingCall(nextCallId++, handle);
            Count("incoming calls");
        } else if (roll < 16) {
            // A number calls while another call is up: it arrives in early media.
            calls.push_back(nextCallId);
            skype.IncomingCall(nextCallId++, "+4930" + std::to_string(1000 + pick(9000)));
            Count("second calls");
        } else if (roll < 20) {
            skype.MissedCall(nextCallId++, handle);
            Count("missed calls");
        } else if (roll < 24) {
            calls.push_back(nextCallId);
            skype.OutgoingCall(nextCallId++, handle);
            Count("outgoing calls");
        } else if (roll < 30) {
            if (int id = liveCall()) skype.FinishCall(id);
            Count("far end hang-ups");
        } else if (roll < 33) {
            if (int id = liveCall()) skype.GiveUpCall(id);
            Count("callers giving up");
        } else if (roll < 36) {
            if (int id = liveCall()) skype.AnswerCall(id);
            Count("answers at the client");
        } else if (roll < 60) {
            handset.PressKey(kCallKeys[pick(static_cast<int>(kCallKeys.size()))]);
            Count("keys");
        } else if (roll < 84) {
            handset.PressKey(kOtherKeys[pick(static_cast<int>(kOtherKeys.size()))]);
            Count("keys");
        } else if (roll < 90) {
            StoryStep(random);
        } else if (roll < 92) {
            handset.PressKey(static_cast<std::uint8_t>(pick(256)));
            Count("keys");
        } else if (roll < 94) {
            handset.Unplug();
            PostDeviceChange();
            std::this_thread::sleep_for(std::chrono::milliseconds(200 + pick(800)));
            handset.PlugIn();
            PostDeviceChange();
            Count("unplugs");
        } else if (roll < 96) {
            skype.Announce();
            Count("Skype announcements");
        } else if (roll < 98) {
            skype.SetConnectionStatus(pick(2) ? "OFFLINE" : "CONNECTING");
            std::this_thread::sleep_for(std::chrono::milliseconds(pick(300)));
            skype.SetConnectionStatus("ONLINE");
            Count("connection changes");
        } else {
            skype.SetUserOnlineStatus(handle, pick(2) ? "ONLINE" : "OFFLINE");
            Count("contact status changes");
        }
    }

    // Until the handset holds no more keys back and the client's log has
    // not moved for a second: keys pressed while transfers streamed reach
    // the program only now, and may start or end calls of their own.
    bool Settle() {
        return WaitUntil(
            [&, size = skype.LogSize(), since = std::chrono::steady_clock::now()]() mutable {
                std::size_t now = skype.LogSize();
                if (now != size || handset.HeldKeys() != 0 || handset.InTransfer()) {
                    size = now;
                    since = std::chrono::steady_clock::now();
                    return false;
                }
                return std::chrono::steady_clock::now() - since >= 1s;
            },
            60s);
    }

    // Ends every call the soak may have left: at the client, then at the
    // handset once it is back (keys pressed while it reconnects go nowhere),
    // until the keys still held back have arrived and no call is up. Gives
    // what is still unsettled, or nothing.
    std::string Quieten() {
        // The person puts themselves online again (the handset's status key
        // may have set them offline): the last call is for somebody reachable.
        skype.SetUserStatus("ONLINE");
        bool settled = false;
        for (int round = 0; round < 5 && !(settled && CurrentStatus() == -1); ++round) {
            for (int id : calls) {
                skype.FinishCall(id);
                skype.GiveUpCall(id);
            }
            WaitUntil([&] { return application->State().g_bHandsetAnnounced.load() != 0; });
            handset.PressKey(0x6F);  // leave a list
            // Calls the handset dialled itself have ids of the client's choosing.
            for (int i = 0; i < 5 && CurrentStatus() != -1; ++i) {
                handset.PutDownReceiver();
                WaitUntil([&] { return CurrentStatus() == -1; }, 2s);
            }
            settled = Settle();
        }
        calls.clear();
        if (settled) return {};
        return "the phone never settled: " + std::to_string(handset.HeldKeys()) +
               " keys held back, the handset " + (handset.InTransfer() ? "in" : "not in") +
               " a transfer" +
               ClientLogSince(std::max(0L, static_cast<long>(skype.LogSize()) - 30));
    }

    // The heap the program uses: the C library's count of bytes in use
    // without what the test's own records hold.
    long ProgramHeapBytes() {
        struct mallinfo2 heap = mallinfo2();
        long inUse = static_cast<long>(heap.uordblks + heap.hblkhd);
        return inUse - static_cast<long>(skype.LogBytes(HeapBlock) + commands.Bytes(HeapBlock));
    }

    CommandRecord commands;
    bool refinementFailed = false;
    std::vector<int> calls;
    int nextCallId = 5000;
    std::map<std::string, long> counts;
};

TEST_F(SoakTest, ThePhoneKeepsWorkingThroughRandomCallsKeysUnplugsAndSkypeComingBack) {
    if (kHeapMeasured) {
        ASSERT_EQ(kOneArena, 1) << "the heap could not be held in one arena";
    }
    const int seconds = SoakSeconds();
    const unsigned seed = SoakSeed();
    std::printf("soak: %d s, seed %u (KESTRAVA_SOAK_SEED repeats a run)\n", seconds, seed);
    std::mt19937 random(seed);

    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::seconds(seconds);
    const auto warmedUp = start + std::chrono::seconds(seconds) / 5;
    long heapAfterWarmUp = 0;
    long steps = 0;
    while (std::chrono::steady_clock::now() < end) {
        RandomStep(random);
        ++steps;
        if (steps % 8 == 0) CheckAtQuietPoint(steps);
        std::this_thread::sleep_for(std::chrono::milliseconds(10 + random() % 240));
        if (heapAfterWarmUp == 0 && std::chrono::steady_clock::now() >= warmedUp) {
            heapAfterWarmUp = ProgramHeapBytes();
        }
    }
    if (heapAfterWarmUp == 0) heapAfterWarmUp = ProgramHeapBytes();

    std::string unsettled = Quieten();
    ASSERT_TRUE(unsettled.empty()) << unsettled;
    ASSERT_TRUE(WaitUntil([&] { return CurrentStatus() == -1; }))
        << "a call is still up after every call was ended: " << CallHistoryOf(CurrentCallId());
    ASSERT_TRUE(WaitUntil([&] { return application->State().g_bHandsetAnnounced.load() != 0; }))
        << "the handset did not come back after the last unplug";
    // A transfer the program stopped (a new call, the handset unplugged) has
    // no end marker; the program itself must not be left inside one.
    ASSERT_TRUE(WaitUntil([&] { return library->m_bTransferActive.load() == 0; }))
        << "the program's transfer to the handset never ended";

    // Every thread still answers: a call goes all the way through.
    long from = static_cast<long>(skype.Log().size());
    int transfersBeforeCall = handset.TransfersCompleted();
    skype.IncomingCall(9001, "alice.liddell");
    ASSERT_TRUE(handset.WaitForRinging(true, kPatience)) << "the handset does not ring";
    EXPECT_TRUE(WaitForLcd("Alice ")) << "the caller's name did not appear:\n"
                                      << handset.LcdPicture() << ClientLogSince(from);
    handset.LiftReceiver();
    ASSERT_TRUE(WaitForLogEntry("NOTIFY CALL 9001 STATUS INPROGRESS", from))
        << "lifting the receiver did not answer: " << CallHistoryOf(9001) << "\nresync "
        << library->m_bResync.load() << ", display content " << library->m_nDisplayContent.load()
        << ", transfer " << library->m_bTransferActive.load() << ", abort pending "
        << library->m_bAbortPending.load() << "; the handset holds " << handset.HeldKeys()
        << " keys, in a transfer: " << handset.InTransfer() << "\n"
        << handset.LcdPicture();
    handset.PutDownReceiver();
    ASSERT_TRUE(WaitForLogEntry("NOTIFY CALL 9001 STATUS FINISHED", from))
        << "putting the receiver down did not end the call";
    // The caller's name reached the handset in a whole transfer, end marker and all.
    EXPECT_GT(handset.TransfersCompleted(), transfersBeforeCall);
    ASSERT_TRUE(WaitUntil([&] { return library->m_bTransferActive.load() == 0; }));
    // The call's end reloads the history: let that traffic end before the
    // records are compared.
    ASSERT_TRUE(Settle()) << "the program never fell quiet after the last call";
    const long heapAtEnd = ProgramHeapBytes();

    // Nothing queued was lost: the sender handed every queued text to Skype,
    // each lane in the order queued (live ones overtake bulk ones).
    ASSERT_TRUE(WaitUntil([&] {
        auto sent = commands.SentTexts();
        long fromQueue = std::count_if(sent.begin(), sent.end(),
                                       [](const CommandRecord::Sending& s) { return !s.straight; });
        return fromQueue >= static_cast<long>(commands.QueuedCount());
    })) << "queued commands were never sent";
    std::vector<CommandRecord::Sending> sent = commands.SentTexts();
    std::vector<std::string> sentLive, sentBulk;
    std::vector<std::string> deliveredFromQueue;
    std::multiset<std::string> deliveredStraight;
    long dropped = 0;
    for (const auto& s : sent) {
        if (!s.straight) (s.lane == CommandLane::Bulk ? sentBulk : sentLive).push_back(s.text);
        if (!s.delivered) ++dropped;
        if (s.delivered && s.straight) deliveredStraight.insert(s.text);
        if (s.delivered && !s.straight) deliveredFromQueue.push_back(s.text);
    }
    EXPECT_EQ(sentLive, commands.QueuedTexts(CommandLane::Live))
        << "the sender lost, repeated or reordered a live command";
    EXPECT_EQ(sentBulk, commands.QueuedTexts(CommandLane::Bulk))
        << "the sender lost, repeated or reordered a bulk command";

    // And the client received exactly what it took: the queued texts in their
    // order, with the texts sent straight (from other threads) among them.
    // A text sent straight may be in the client's log before its sender has
    // heard back: wait for the last answers.
    std::vector<std::string> received;
    WaitUntil([&] {
        received.clear();
        for (const std::string& entry : skype.Log()) {
            if (entry.rfind("COMMAND ", 0) == 0) received.push_back(entry.substr(8));
        }
        long straightSent = 0;
        for (const auto& s : commands.SentTexts()) straightSent += s.straight && s.delivered;
        return static_cast<long>(received.size()) <=
               static_cast<long>(deliveredFromQueue.size()) + straightSent;
    });
    deliveredStraight.clear();
    for (const auto& s : commands.SentTexts()) {
        if (s.straight && s.delivered) deliveredStraight.insert(s.text);
    }
    long unexplained = FirstUnexplained(received, deliveredFromQueue, deliveredStraight);
    if (unexplained >= 0) {
        std::string around;
        for (long i = std::max(0L, unexplained - 3);
             i < std::min(unexplained + 3, static_cast<long>(received.size())); ++i) {
            around += "\n  " + std::to_string(i) + ": " + received[i];
        }
        ADD_FAILURE() << "the client received " << received.size() << " commands, the program "
                      << deliveredFromQueue.size() << " queued and " << deliveredStraight.size()
                      << " straight; the first that does not fit is " << unexplained << ":"
                      << around;
    }

    // The calls themselves stay in the history of the client and of the
    // program; a leak per key, per transfer or per command grows far more.
    if (HistoryUncapped()) {
        std::printf("soak: the client kept every call; the heap grows with the history\n");
    } else if (kHeapMeasured) {
        EXPECT_LT(heapAtEnd - heapAfterWarmUp, kHeapGrowthLimit)
            << "the heap grew from " << heapAfterWarmUp << " to " << heapAtEnd << " bytes";
    } else {
        std::printf("soak: the heap is not measured under a sanitizer\n");
    }

    std::printf("soak: %zu commands queued (%zu bulk), %zu sent straight, %ld not taken by Skype\n",
                commands.QueuedCount(), sentBulk.size(),
                sent.size() - sentLive.size() - sentBulk.size(), dropped);
    for (const auto& [what, count] : counts) std::printf("soak: %ld %s\n", count, what.c_str());
    std::printf("soak: %d transfers begun, %d ended with their end marker\n",
                handset.TransfersBegun(), handset.TransfersCompleted());
    std::printf("soak: %d unexpected acknowledgements at the handset\n",
                handset.UnexpectedAcknowledgements());
    std::printf(
        "soak: %ld steps; the program's heap %ld KB after warm-up, %ld KB at the end; "
        "peak resident %ld KB\n",
        steps, heapAfterWarmUp / 1024, heapAtEnd / 1024, PeakResidentKilobytes());
}

}  // namespace
}  // namespace kestrava::testing
