// The store under several threads, as the parser and the handset threads use
// it. Run under the thread sanitizer too.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "StoreTestSupport.h"
#include "session/ContactActionSink.h"

using namespace session_test;

TEST(SessionConcurrency, BrowsingAndReadingWhileTheParserReloadsAndEndsCalls) {
    constexpr int kCalls = 24;
    CSessionStore store;
    std::atomic<bool> done{false};
    std::atomic<int> faults{0}, selections{0};

    std::thread browser([&] {  // the handset: one thread owns the selection
        for (int mode = 0; !done; mode = (mode + 1) % 3) {
            store.SetBrowseMode(mode);
            store.ResetBrowse();
            store.PrepareSelection();
            int id = 0;
            for (int step = 0; step < 40; ++step) {
                if (!Succeeded(store.SelectNextCall(step % 7 == 6, 1, &id))) continue;
                ++selections;
                store.RefreshSelection(id);
                GuardedBuffer handle, name;
                // Handle and name are copied together from one record.
                if (Succeeded(store.GetSelectedPartnerHandle(handle.data())) &&
                    Succeeded(store.GetSelectedPartnerName(name.data())) &&
                    handle.text().substr(1) != name.text().substr(1))
                    ++faults;
                // A refresh by the parser may restart the text mid-read; its
                // characters are still those of a start time.
                const std::string start = ReadText(store, &CSessionStore::ReadStartTimeChar);
                if (start.find_first_not_of("0123456789/: ") != std::string::npos) ++faults;
                ReadText(store, &CSessionStore::ReadDurationChar);
            }
        }
    });
    std::thread reader([&] {  // the engine's missed-call count, the clock
        while (!done) {
            int count = 0, unseen = 0, id = 0;
            store.GetCallCount(&count);
            store.CountUnseenMissedCalls(&unseen);
            if (count > kCalls + 1 || unseen > kCalls) ++faults;  // read apart: no relation
            for (int i = 0; Succeeded(store.GetCallIdAt(i, &id)); ++i) store.HasCall(id);
            store.GetCurrentCallId(&id);
            store.FormatClock();
            ReadText(store, &CSessionStore::ReadClockChar);
        }
    });

    // The parser: reloads of the history and calls that end, until the
    // handset has browsed a good deal of it.
    for (int round = 0; round < 150 || (selections < 300 && round < 100000); ++round) {
        store.ClearCalls();
        for (int k = 0; k <= kCalls; ++k) {
            const int id = round * 1000 + k + 1;
            const std::string handle = "h" + std::to_string(id), name = "N" + std::to_string(id);
            if (k == kCalls) {  // the current call ends into the history
                store.SetCurrentCallId(id);
                store.SetCurrentCallType(1);
                store.SetCurrentCallPartnerHandle(handle.c_str(), static_cast<int>(handle.size()));
                store.SetCurrentCallPartnerName(name.c_str(), static_cast<int>(name.size()));
                store.SetCurrentCallDuration(round);
                store.SetCurrentCallTimestamp(1700000000 + round);
                store.ArchiveCurrentCall();
                store.ResetCurrentCall();
                break;
            }
            store.AddCall(id, 0);
            store.SetCallType(id, k % 4);
            store.SetCallStatus(id, k % 3 == 0 ? 5 : 4);
            store.SetCallPartnerHandle(id, handle.c_str(), static_cast<int>(handle.size()));
            store.SetCallPartnerName(id, name.c_str(), static_cast<int>(name.size()));
            store.SetCallDuration(id, k * 61);
            store.SetCallTimestamp(id, 1700000000 + k);
            store.RefreshSelection(id);
        }
    }
    done = true;
    browser.join();
    reader.join();
    EXPECT_EQ(0, faults.load());
    EXPECT_GE(selections.load(), 300);
}

namespace {

// While the dialog takes an entry, a reload on another thread has to wait:
// the record the dialog reads is not freed under it.
class SlowDialog : public ContactActionSink {
  public:
    explicit SlowDialog(CSessionStore& store) : m_store(store) {}
    void AddCallEntry(const CCallRecord& record) override {
        if (!m_reload.joinable()) {
            m_reload = std::thread([this] {
                m_store.ClearCalls();
                m_reloaded = true;
            });
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            m_reloadedTooEarly = m_reloaded.load();
        }
        m_handles += record.PartnerHandle + ";";
    }
    void AddContactEntry(const CUserEntry&) override {}
    CSessionStore& m_store;
    std::thread m_reload;
    std::atomic<bool> m_reloaded{false};
    bool m_reloadedTooEarly = false;
    std::string m_handles;
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
    EXPECT_FALSE(dialog.m_reloadedTooEarly);
    EXPECT_EQ("pat;+4955;", dialog.m_handles);
    EXPECT_EQ(E_FAIL, store.HasCall(1));
}
