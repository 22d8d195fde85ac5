// The store under several threads: the parser rebuilding the history and
// ending calls while the handset threads browse and read. Run it under the
// thread sanitizer too.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "StoreTestSupport.h"
#include "session/ContactActionSink.h"

using namespace session_test;

namespace {

constexpr int kRounds = 150;
constexpr int kCallsPerRound = 24;

std::string HandleOf(int id) {
    return "h" + std::to_string(id);
}
std::string NameOf(int id) {
    return "N" + std::to_string(id);
}

// The parser's part: reloads of the history and calls that end.
void RunParser(CSessionStore& store, std::atomic<bool>& done) {
    for (int round = 0; round < kRounds; ++round) {
        store.ClearCalls();
        store.ResetBrowse();
        for (int k = 0; k < kCallsPerRound; ++k) {
            const int id = round * 1000 + k + 1;
            store.AddCall(id, 0);
            store.SetCallType(id, k % 4);
            store.SetCallStatus(id, k % 3 == 0 ? 5 : 4);
            store.SetCallSeen(id, k % 2);
            const std::string handle = HandleOf(id), name = NameOf(id);
            store.SetCallPartnerHandle(id, handle.c_str(), static_cast<int>(handle.size()));
            store.SetCallPartnerName(id, name.c_str(), static_cast<int>(name.size()));
            store.SetCallDuration(id, k * 61);
            store.SetCallTimestamp(id, 1700000000 + k);
            store.RefreshSelection(id);
        }
        const int ended = round * 1000 + 999;
        const std::string handle = HandleOf(ended), name = NameOf(ended);
        store.SetCurrentCallId(ended);
        store.SetCurrentCallType(1);
        store.SetCurrentCallStatus(4);
        store.SetCurrentCallPartnerHandle(handle.c_str(), static_cast<int>(handle.size()));
        store.SetCurrentCallPartnerName(name.c_str(), static_cast<int>(name.size()));
        store.SetCurrentCallDuration(round);
        store.SetCurrentCallTimestamp(1700000000 + round);
        store.ArchiveCurrentCall();
        store.ResetCurrentCall();
    }
    done = true;
}

}  // namespace

TEST(SessionConcurrency, BrowsingAndReadingWhileTheHistoryIsRebuilt) {
    CSessionStore store;
    std::atomic<bool> done{false};
    std::atomic<int> mismatches{0};
    std::atomic<int> selections{0};

    // The handset's browse: one thread owns the selection.
    std::thread browser([&] {
        int mode = 0;
        while (!done) {
            store.SetBrowseMode(mode);
            mode = (mode + 1) % 3;
            store.ResetBrowse();
            store.PrepareSelection();
            int id = 0;
            for (int step = 0; step < 40; ++step) {
                const int backward = step % 7 == 6;
                if (!Succeeded(store.SelectNextCall(backward, 1, &id))) continue;
                ++selections;
                store.RefreshSelection(id);
                GuardedBuffer handle, name;
                const bool hasHandle = Succeeded(store.GetSelectedPartnerHandle(handle.data()));
                const bool hasName = Succeeded(store.GetSelectedPartnerName(name.data()));
                if (!handle.GuardIntact() || !name.GuardIntact()) ++mismatches;
                // Both texts come from one copy of one record.
                if (hasHandle && hasName && handle.text().substr(1) != name.text().substr(1)) {
                    ++mismatches;
                }
                const std::string start = ReadText(store, &CSessionStore::ReadStartTimeChar);
                if (!start.empty() && start.size() != 14) ++mismatches;
                ReadText(store, &CSessionStore::ReadSelectedHandleChar);
                ReadText(store, &CSessionStore::ReadDurationChar);
                int extra = 0;
                store.GetSelectedExtra1(&extra);
            }
        }
    });

    // Other readers: the engine's missed-call count, the state machine's
    // snapshot of the current call, the clock on the handset.
    std::vector<std::thread> readers;
    for (int r = 0; r < 2; ++r) {
        readers.emplace_back([&] {
            while (!done) {
                int count = 0, unseen = 0;
                store.GetCallCount(&count);
                store.CountUnseenMissedCalls(&unseen);
                if (count < 0 || count > kCallsPerRound + 1 || unseen < 0) ++mismatches;
                for (int i = 0; i < count; ++i) {
                    int id = 0;
                    if (Succeeded(store.GetCallIdAt(i, &id))) {
                        int flag = 0;
                        store.GetCallHasDetails(id, &flag);
                        store.HasCall(id);
                    }
                }
                int current = 0;
                store.GetCurrentCallId(&current);
                GuardedBuffer handle;
                store.GetCurrentCallPartnerHandle(handle.data());
                if (!handle.GuardIntact()) ++mismatches;
                store.FormatClock();
                ReadText(store, &CSessionStore::ReadClockChar);
            }
        });
    }

    RunParser(store, done);
    browser.join();
    for (auto& reader : readers) reader.join();

    EXPECT_EQ(0, mismatches.load());
    int count = 0;
    store.GetCallCount(&count);
    EXPECT_EQ(kCallsPerRound + 1, count);
}

namespace {

class SlowDialog : public ContactActionSink {
  public:
    explicit SlowDialog(CSessionStore& store) : m_store(store) {}

    // While the dialog takes an entry, a reload on another thread must wait:
    // the record it reads cannot be freed under it.
    void AddCallEntry(const CCallRecord& record) override {
        if (!m_reload.joinable()) {
            m_reload = std::thread([this] {
                m_store.ClearCalls();
                m_reloaded = true;
            });
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            m_reloadedDuringEntry = m_reloaded.load();
        }
        m_handles.push_back(record.PartnerHandle);
    }

    CSessionStore& m_store;
    std::thread m_reload;
    std::atomic<bool> m_reloaded{false};
    bool m_reloadedDuringEntry = false;
    std::vector<std::string> m_handles;
};

}  // namespace

TEST(SessionConcurrency, AReloadWaitsUntilTheRedialListIsPosted) {
    CSessionStore store;
    SlowDialog dialog(store);
    store.SetContactActionSink(&dialog);
    AddRecord(store, 1, 1, 4, "pat");
    AddRecord(store, 2, 3, 4, "+4955");

    store.PostRecentDialedCalls();
    dialog.m_reload.join();

    EXPECT_FALSE(dialog.m_reloadedDuringEntry);
    EXPECT_THAT(dialog.m_handles, ::testing::ElementsAre("pat", "+4955"));
    int count = -1;
    store.GetCallCount(&count);
    EXPECT_EQ(0, count);
}
