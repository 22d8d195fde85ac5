// The two handset threads: the input worker (started once, draining the
// queue in order, flushing) and the upload thread (one at a time, stopped
// from another thread), and StopWorkers ending both.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <future>
#include <thread>

#include "HandsetTestSupport.h"
#include "handset/ButtonHandler.h"
#include "handset/HandsetCommands.h"
#include "handset/InputDecoder.h"
#include "handset/Keypad.h"
#include "handset/SkypeWindows.h"
#include "handset/TransferControl.h"
#include "session/CListManager.h"
#include "session/UploadWorker.h"

namespace kestrava::testing {
namespace {

using ::testing::_;
using ::testing::ElementsAre;
using ::testing::InSequence;
using ::testing::NiceMock;
using ::testing::Return;
using ::testing::StrEq;

// Long enough never to be reached by a working program; only a hang hits it.
constexpr auto kHangGuard = std::chrono::seconds(20);

class RecordingHandler : public InputReportHandler {
  public:
    void HandleReport(std::uint32_t report) override {
        if (hold) hold->Wait();
        std::lock_guard lock(m_lock);
        m_reports.push_back(report);
        m_changed.notify_all();
    }
    bool WaitFor(std::size_t count) {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, kHangGuard, [&] { return m_reports.size() >= count; });
    }
    std::vector<std::uint32_t> Reports() {
        std::lock_guard lock(m_lock);
        return m_reports;
    }
    Gate* hold = nullptr;  // each report waits for it

  private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<std::uint32_t> m_reports;
};

class BlockingRunner : public UploadRunner {
  public:
    explicit BlockingRunner(CDeviceLibrary& device) : m_device(device) {}
    void RunUpload() override {
        ++runs;
        started.Open();
        release.Wait();
        m_device.m_bTransferActive = 0;
        m_device.m_bAbortPending = 0;
    }
    std::atomic<int> runs{0};
    Gate started, release;

  private:
    CDeviceLibrary& m_device;
};

using HandsetThreadsTest = HandsetFixture;

// A renderer's stream as the component runs it: its own stop is cleared as
// the stream starts, then looked at after every unit (1 ms apart).
struct StreamingRenderer {
    static constexpr int kUnits = 3000;
    explicit StreamingRenderer(MockLcdRenderer& renderer, OutputRecorder& output) {
        ON_CALL(renderer, SetAbort(_)).WillByDefault([this](int value) {
            abort = value;
            return S_OK;
        });
        ON_CALL(renderer, SendRendered()).WillByDefault([this, &output] {
            output.Note("rendered");
            abort = 0;
            ++streams;
            for (int i = 0; i < kUnits; ++i) {
                if (abort) {
                    abort = 0;
                    return HResult{1};
                }
                ++units;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            return S_OK;
        });
    }
    // Until `count` streams have started; only a hang reaches the guard.
    bool WaitForStreams(int count) {
        auto deadline = std::chrono::steady_clock::now() + kHangGuard;
        while (streams.load() < count) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    std::atomic<int> abort{0};
    std::atomic<int> units{0};
    std::atomic<int> streams{0};
};

class NoButtons final : public ButtonHandler {
  public:
    int HandleButton(int) override { return 0; }
};

// The upload worker's last pause before the rendered text (3 ms) is where a
// stop request lands: after the worker's last look at it, before the
// renderer starts its stream.
CDeviceLibrary* g_stopAtLastPause = nullptr;
std::atomic<bool> g_stopRequested{false};
void RequestStopAtLastPause(std::chrono::milliseconds duration) {
    if (duration == std::chrono::milliseconds(3) && g_stopAtLastPause != nullptr &&
        !g_stopRequested.exchange(true)) {
        RequestHandsetTransferStop(*g_stopAtLastPause, std::chrono::milliseconds(0));
        return;
    }
    std::this_thread::sleep_for(duration);
}

TEST_F(HandsetThreadsTest, AStartedInputTakesOneWordPerReportInOrderAndDropsShortReports) {
    RecordingHandler handler;
    device->SetReportHandler(&handler);
    ASSERT_TRUE(device->StartInput(0x10));
    ASSERT_TRUE(device->StartInput(0x10));
    EXPECT_EQ(device->InputWorkerStarts(), 1) << "a second start only opens the reads again";
    EXPECT_EQ(output.StartReadings(), 2);

    device->QueueReport(0x00401F01, 0x11111111);
    device->QueueReport(0x00002002, 0xFFFFFFFF);  // a device with 4-byte reports
    device->QueueReport(0x00002003, 0x22222222);
    ASSERT_TRUE(handler.WaitFor(2));
    device->StopWorkers();
    EXPECT_THAT(handler.Reports(), ElementsAre(0x00401F01u, 0x00002003u));
}

// After the ready sequence the handset's announcement may carry any number;
// a report the decoder drops before it must not end that resync.
TEST_F(HandsetThreadsTest, OnlyAnAcceptedReportEndsTheResyncBeforeTheAnnouncement) {
    struct Case {
        const char* name;
        std::vector<std::uint32_t> stray;
    };
    const Case cases[] = {
        {"none", {}},
        {"a sequence field beyond 7", {0x00001F0C}},
        {"a field of 0xFF", {0x000080FF}},
        {"a transfer reply", {0x00005A05}},
        {"another transfer reply", {0x00004107}},
        {"several", {0x00001F13, 0x00005A04, 0x00000606}},
    };
    NiceMock<MockSkypeLink> link;
    NiceMock<MockKeypad> keypad;
    NiceMock<MockAudio> audio;
    std::atomic<int> keys{0};
    ON_CALL(keypad, HandleKeyReport(_)).WillByDefault([&](std::uint32_t) {
        ++keys;
        return 1;
    });
    std::atomic<std::int32_t> announced{0};
    ASSERT_TRUE(device->StartInput(0x10));
    std::vector<std::unique_ptr<CInputDecoder>> decoders;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        announced = 0;
        keys = 0;
        decoders.push_back(std::make_unique<CInputDecoder>(*device, store, contacts, link, keypad,
                                                           audio, announced));
        device->SetReportHandler(decoders.back().get());
        device->m_nDisplayContent = 0;
        device->m_bResync = 1;  // the ready sequence went out
        for (std::uint32_t report : c.stray) device->QueueReport(report, 0);
        device->QueueReport(0x00008003, 0);  // not the number the decoder counts on
        device->QueueReport(0x00001A00, 0);  // the next key, numbered on from it
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (keys.load() == 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_EQ(announced.load(), 1) << "the announcement was dropped";
        EXPECT_EQ(keys.load(), 1) << "the key after it was dropped";
        while (device->QueuedReports() != 0) std::this_thread::yield();
    }
    device->StopWorkers();
}

// While the read side is closed (a reopen on any device change) the handset
// goes on numbering its reports; the first key after the reopen is taken,
// not dropped as out of step with the numbers the decoder last saw.
TEST_F(HandsetThreadsTest, AReopenedReadSideTakesTheNextKeyWhateverItsNumber) {
    NiceMock<MockSkypeLink> link;
    NiceMock<MockKeypad> keypad;
    NiceMock<MockAudio> audio;
    std::atomic<int> keys{0};
    ON_CALL(keypad, HandleKeyReport(_)).WillByDefault([&](std::uint32_t) {
        ++keys;
        return 1;
    });
    std::atomic<std::int32_t> announced{1};
    CInputDecoder decoder(*device, store, contacts, link, keypad, audio, announced);
    device->SetReportHandler(&decoder);
    device->m_bLinkReady = 1;
    auto waitForKeys = [&](int count) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (keys.load() < count && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        while (device->QueuedReports() != 0) std::this_thread::yield();
        return keys.load();
    };
    ASSERT_TRUE(device->StartInput(0x10));
    device->QueueReport(0x00001F00, 0);
    device->QueueReport(0x00002001, 0);
    ASSERT_EQ(waitForKeys(2), 2);

    ASSERT_TRUE(device->StartInput(0x10));  // reports 2 and 3 went nowhere meanwhile
    device->QueueReport(0x00001F00, 0);
    device->QueueReport(0x00002001, 0);
    EXPECT_EQ(waitForKeys(4), 4) << "the keys after the reopen were dropped";
    device->StopWorkers();
}

TEST_F(HandsetThreadsTest, AStopRequestedAtTheWorkersLastPauseStillStopsTheStream) {
    StreamingRenderer stream(renderer, output);
    CUploadWorker worker(*device, store, contacts);
    device->SetUploadRunner(&worker);
    g_stopAtLastPause = device.get();
    g_stopRequested = false;
    SetPauseHook(&RequestStopAtLastPause);
    device->m_nDisplayContent = display::kFontMode | display::kSingleItem;
    ASSERT_TRUE(device->StartUpload());
    ASSERT_TRUE(stream.WaitForStreams(1));
    ASSERT_TRUE(g_stopRequested.load());

    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(AwaitHandsetTransferStop(*device)) << "the wait gave up on a running stream";
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_LT(waited, std::chrono::milliseconds(500));
    EXPECT_LT(stream.units.load(), StreamingRenderer::kUnits / 4) << "the whole stream went out";
    device->StopWorkers();
    SetPauseHook(nullptr);
    g_stopAtLastPause = nullptr;
    EXPECT_EQ(device->m_bTransferActive.load(), 0);
    EXPECT_EQ(device->m_bAbortPending.load(), 0);
    EXPECT_EQ(output.Events().back(), Unit(0x1A, 0x0A));
}

// A new text announced while a transfer streams: the transfer is stopped
// and has ended before the handset hears that a text follows, so its end
// cannot clear the new text's pending bit.
TEST_F(HandsetThreadsTest, ATextAnnouncedWhileATransferRunsStopsItFirstAndIsKept) {
    struct Case {
        const char* name;
        std::int32_t running;  // the content the running transfer serves
        std::function<void()> announce;
        std::int32_t pending;  // the new text's bits
    };
    StreamingRenderer stream(renderer, output);
    NiceMock<MockSkypeLink> link;
    NiceMock<MockDesktop> desktop;
    NiceMock<MockContactDialog> dialog;
    NiceMock<MockAudio> audio;
    ShellState shellState;
    SkypeWindows windows{desktop, shellState};
    CListManager list;
    NoButtons buttons;
    CKeypad keypad{*device, store, list, link, windows, dialog, audio, shell, buttons};
    std::atomic<std::int32_t> announced{0};
    ON_CALL(link, FontsSupported()).WillByDefault(Return(true));
    ON_CALL(contacts, GetContactCount(_)).WillByDefault([](int* count) {
        *count = 2;
        return S_OK;
    });
    CInputDecoder decoder(*device, store, contacts, link, keypad, audio, announced);
    CUploadWorker worker(*device, store, contacts);
    device->SetUploadRunner(&worker);
    device->m_bHandsetDisplay = 1;
    list.SetBalance(1234);
    const Case cases[] = {
        {"the balance key", display::kFontMode | display::kSingleItem,
         [&] { keypad.HandleKeyReport(0x01002B01); }, display::kFontMode | display::kSingleItem},
        {"the entry text of a browsed contact", display::kContactList | display::kFontMode,
         [&] {
             device->m_bResync = 1;
             decoder.HandleReport(0x00006C01);
         },
         display::kContactList | display::kFontMode},
    };
    int streams = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        output.Clear();
        device->m_nDisplayContent = c.running;
        ASSERT_TRUE(device->StartUpload());
        ASSERT_TRUE(stream.WaitForStreams(++streams));

        c.announce();
        auto events = output.Events();
        auto end = std::find(events.begin(), events.end(), Unit(0x1A, 0x0A));
        auto announcement = std::find(events.begin(), events.end(), Cmd(HS_TEXT_FONT));
        ASSERT_NE(announcement, events.end());
        EXPECT_LT(end, announcement) << "the announcement went out inside the transfer";

        // The running transfer, if it still ran, is over now.
        RequestHandsetTransferStop(*device, std::chrono::milliseconds(0));
        ASSERT_TRUE(AwaitHandsetTransferStop(*device));
        EXPECT_EQ(device->m_nDisplayContent.load() & c.pending, c.pending)
            << "the new text's pending bits were lost";
        device->m_bTransferActive = 0;
    }
    device->StopWorkers();
}

TEST_F(HandsetThreadsTest, FlushDiscardsWhatIsNotYetHandled) {
    RecordingHandler handler;
    Gate hold;
    handler.hold = &hold;
    ASSERT_TRUE(device->StartInput(0x10));
    // Without a handler the reports wait.
    device->QueueReport(0x0101, 0);
    device->QueueReport(0x0102, 0);
    device->QueueReport(0x0103, 0);
    EXPECT_EQ(device->QueuedReports(), 3u);
    pauses.Clear();
    device->FlushInput();
    EXPECT_EQ(device->QueuedReports(), 0u);
    EXPECT_THAT(pauses.Pauses(), ElementsAre(10));

    // A flush while a report is being handled keeps what comes after it.
    device->SetReportHandler(&handler);
    device->QueueReport(0x0201, 0);
    device->QueueReport(0x0202, 0);
    while (device->QueuedReports() != 1) std::this_thread::yield();  // 0x0201 taken
    device->FlushInput();
    device->QueueReport(0x0203, 0);
    hold.Open();
    ASSERT_TRUE(handler.WaitFor(2));
    device->StopWorkers();
    EXPECT_THAT(handler.Reports(), ElementsAre(0x0201u, 0x0203u));
}

TEST_F(HandsetThreadsTest, OneUploadRunsAtATime) {
    BlockingRunner runner(*device);
    device->SetUploadRunner(&runner);
    ASSERT_TRUE(device->StartUpload());
    ASSERT_TRUE(runner.started.Wait());
    EXPECT_TRUE(device->UploadThreadExists());
    EXPECT_TRUE(device->StartUpload()) << "one runs: nothing more starts";
    runner.release.Open();
    device->StopWorkers();
    EXPECT_EQ(runner.runs.load(), 1);
    EXPECT_FALSE(device->UploadThreadExists());
    EXPECT_FALSE(device->StartUpload()) << "nothing starts after StopWorkers";
    EXPECT_FALSE(device->StartInput(0x10));
}

TEST_F(HandsetThreadsTest, AStopFromAnotherThreadEndsTheTransferWithTheEndMarker) {
    CUploadWorker worker(*device, store, contacts);
    device->SetUploadRunner(&worker);
    SelectCall(7, 0, 3, 3725, 1700000000);
    std::future<bool> stopped;
    Gate stopRequested;
    int dataUnits = 0;
    output.onUnit = [&](std::uint8_t, std::uint8_t control) {
        if (control == 0x0A || ++dataUnits != 2) return;
        // Mid-stream, another thread asks the transfer to stop.
        stopped = std::async(std::launch::async, [this] {
            return StopHandsetTransfer(*device, std::chrono::milliseconds(0));
        });
        while (device->m_bAbortPending.load() != 1) std::this_thread::yield();
        stopRequested.Open();
    };
    // The renderer is told to stop first (again on each step of the wait)
    // and cleared by the worker's end.
    std::mutex abortsLock;
    std::vector<int> aborts;
    ON_CALL(renderer, SetAbort(_)).WillByDefault([&](int abort) {
        std::lock_guard lock(abortsLock);
        aborts.push_back(abort);
        return S_OK;
    });
    device->m_nDisplayContent = display::kCallList | display::kFontMode;
    ASSERT_TRUE(device->StartUpload());
    ASSERT_TRUE(stopRequested.Wait());
    ASSERT_EQ(stopped.wait_for(kHangGuard), std::future_status::ready);
    EXPECT_TRUE(stopped.get());
    device->StopWorkers();
    {
        std::lock_guard lock(abortsLock);
        ASSERT_FALSE(aborts.empty());
        EXPECT_EQ(aborts.front(), 1);
        EXPECT_EQ(std::count(aborts.begin(), aborts.end(), 0), 1);
    }
    EXPECT_EQ(output.Events(),
              (std::vector<std::string>{Unit(0x6A, 0x0A), Unit(0x81, 0x0A), Unit('0', 0x00),
                                        Unit('1', 0x05), Unit(0x1A, 0x0A)}));
    EXPECT_EQ(device->m_nDisplayContent.load(), 0) << "the request is gone";
    EXPECT_EQ(device->m_bAbortPending.load(), 0);
    EXPECT_EQ(device->m_bTransferActive.load(), 0);
}

TEST_F(HandsetThreadsTest, AStopThatComesAsTheWorkerEndsOnItsOwnDoesNotWaitForAnAnswer) {
    // The worker is about to end: it no longer looks at the request, and ends
    // (transfer no longer active) without clearing it.
    device->m_bTransferActive = 1;
    std::thread worker([this] {
        while (device->m_bAbortPending.load() != 1) std::this_thread::yield();
        device->m_bTransferActive = 0;
    });
    EXPECT_TRUE(StopHandsetTransfer(*device, std::chrono::milliseconds(0)))
        << "the stop waited out its bound for a worker that had gone";
    worker.join();
    EXPECT_EQ(device->m_bAbortPending.load(), 0) << "no request is left behind";
}

TEST_F(HandsetThreadsTest, TheHandsetsReadyReplyStartsExactlyOneUpload) {
    NiceMock<MockSkypeLink> link;
    NiceMock<MockKeypad> keypad;
    NiceMock<MockAudio> audio;
    std::atomic<std::int32_t> announced{0};
    ON_CALL(link, FontsSupported()).WillByDefault(Return(true));
    CInputDecoder decoder(*device, store, contacts, link, keypad, audio, announced);
    CUploadWorker worker(*device, store, contacts);
    device->SetReportHandler(&decoder);
    device->SetUploadRunner(&worker);
    // The handset answers "a text follows" at once with its ready reply.
    output.onCommand = [this](std::uint8_t command) {
        if (command == HS_TEXT_FONT) device->QueueReport(0x00005A04, 0);
    };
    Gate ended;
    output.onUnit = [&](std::uint8_t value, std::uint8_t control) {
        if (value == 0x1A && control == 0x0A) ended.Open();
    };
    EXPECT_CALL(renderer, RenderText(StrEq("No calling data.")));
    device->m_nDisplayContent = display::kCallList;
    device->m_bResync = 1;
    ASSERT_TRUE(device->StartInput(0x10));
    device->QueueReport(0x00006C01, 0);
    ASSERT_TRUE(ended.Wait());
    device->StopWorkers();
    auto events = output.Events();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[0], Cmd(0x51));
    EXPECT_EQ(events[1], Cmd(HS_TEXT_FONT));
    EXPECT_EQ(std::count(events.begin(), events.end(), "rendered"), 1);
    EXPECT_EQ(std::count(events.begin(), events.end(), Unit(0x1A, 0x0A)), 1);
    EXPECT_EQ(events.back(), Unit(0x1A, 0x0A));
    EXPECT_EQ(device->m_nDisplayContent.load(), display::kCallList);
}

TEST_F(HandsetThreadsTest, StopWorkersWaitsForTheReportInHandAndHandlesNoMore) {
    RecordingHandler handler;
    Gate hold;
    handler.hold = &hold;
    device->SetReportHandler(&handler);
    ASSERT_TRUE(device->StartInput(0x10));
    device->QueueReport(0x0301, 0);
    device->QueueReport(0x0302, 0);
    while (device->QueuedReports() != 1) std::this_thread::yield();  // 0x0301 in hand
    auto stopping = std::async(std::launch::async, [this] { device->StopWorkers(); });
    while (device->InputRunning()) std::this_thread::yield();
    hold.Open();
    ASSERT_EQ(stopping.wait_for(kHangGuard), std::future_status::ready);
    // Joined: the handler may go now; the worker never sees 0x0302.
    EXPECT_THAT(handler.Reports(), ElementsAre(0x0301u));
}

}  // namespace
}  // namespace kestrava::testing
