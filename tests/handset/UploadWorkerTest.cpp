// One upload run, called directly: the units it sends for each kind of
// pending content, the pauses between them, and how it ends.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "HandsetTestSupport.h"
#include "handset/HandsetCommands.h"
#include "session/CListManager.h"
#include "session/UploadWorker.h"

namespace kestrava::testing {
namespace {

using ::testing::_;
using ::testing::ElementsAre;
using ::testing::Return;

constexpr CallTime kSomeTime = 1700000000;

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// A text the contact list mock hands out one character at a time.
auto Characters(std::string text) {
    auto position = std::make_shared<std::size_t>(0);
    return [text, position](char* out) {
        if (*position >= text.size()) return E_FAIL;
        *out = text[(*position)++];
        return S_OK;
    };
}

class UploadWorkerTest : public HandsetFixture {
  protected:
    void Run(std::int32_t content) { Run(content, worker); }
    void Run(std::int32_t content, CUploadWorker& run) {
        device->m_nDisplayContent = content;
        device->m_bTransferActive = 1;
        output.Clear();
        pauses.Clear();
        run.RunUpload();
    }
    std::string StartTimeText() {
        std::string text;
        char c = 0;
        while (store.ReadStartTimeChar(&c) == S_OK) text += c;  // wraps back to the start
        return text;
    }

    CUploadWorker worker{*device, store, contacts};
    const std::vector<std::string> kEnd{Unit(0x1A, 0x0A)};
};

TEST_F(UploadWorkerTest, NothingPendingSendsOnlyTheEndMarker) {
    Run(0);
    EXPECT_THAT(output.Events(), ElementsAre(Unit(0x1A, 0x0A)));
    EXPECT_EQ(device->m_bTransferActive.load(), 0);
    // A run whose transfer was already called off only closes it too.
    device->m_nDisplayContent = display::kFontMode | display::kSingleItem;
    device->m_bTransferActive = 0;
    output.Clear();
    worker.RunUpload();
    EXPECT_THAT(output.Events(), ElementsAre(Unit(0x1A, 0x0A)));
}

TEST_F(UploadWorkerTest, AMissedCallInFontModeSendsItsTimesThenTheRenderedName) {
    SelectCall(7, 0, CSessionStore::kStatusMissed, 3725, kSomeTime, "bob",
               CSessionStore::kBrowseMissed);
    std::string start = StartTimeText();
    ASSERT_FALSE(start.empty());
    Run(display::kCallList | display::kFontMode);
    EXPECT_EQ(output.Events(), Join({{Unit(0x6D, 0x0A), Unit(0x81, 0x0A)},
                                     TextUnits("01:02:05"),
                                     {Unit(0x80, 0x0A)},
                                     TextUnits(start),
                                     {"rendered"},
                                     kEnd}));
    EXPECT_EQ(device->m_nDisplayContent.load(), display::kCallList) << "the request is done";
    EXPECT_EQ(device->m_bTransferActive.load(), 0);
}

TEST_F(UploadWorkerTest, ACallWithoutDurationGoesFromDurationMarkerToStartTime) {
    SelectCall(8, 1, 4, 0, kSomeTime, {}, CSessionStore::kBrowseDialed);
    std::string start = StartTimeText();
    Run(display::kCallList | display::kFontMode);
    EXPECT_EQ(output.Events(), Join({{Unit(0x6B, 0x0A), Unit(0x81, 0x0A), Unit(0x80, 0x0A)},
                                     TextUnits(start),
                                     {"rendered"},
                                     kEnd}));
}

TEST_F(UploadWorkerTest, ACallInCharacterModeEndsWithTheHandleTheToggleRunningOn) {
    SelectCall(9, 2, 3, 61, kSomeTime, "+4930123");
    std::string start = StartTimeText();
    Run(display::kCallList | display::kCharacterMode);
    std::uint8_t handleToggle = start.size() % 2 ? 0x05 : 0x00;
    EXPECT_EQ(output.Events(), Join({{Unit(0x6A, 0x0A), Unit(0x81, 0x0A)},
                                     TextUnits("00:01:01"),
                                     {Unit(0x80, 0x0A)},
                                     TextUnits(start),
                                     {Unit(0x70, 0x0A)},
                                     TextUnits("+4930123", handleToggle),
                                     kEnd}));
    EXPECT_EQ(device->m_nDisplayContent.load(), display::kCallList);
}

TEST_F(UploadWorkerTest, EntryKindsOfCallsAndContacts) {
    struct Case {
        int type, status;
        std::int32_t mode;
        std::uint8_t kind;
    };
    const Case cases[] = {
        {0, 5, display::kFontMode, 0x6D},       {2, 3, display::kFontMode, 0x6A},
        {3, 4, display::kFontMode, 0x6B},       {-1, 4, display::kFontMode, 0x6B},
        {-1, 4, display::kCharacterMode, 0x00}, {1, 5, display::kCharacterMode, 0x6B},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.type << "/" << c.status << "/" << c.mode);
        CSessionStore history;  // nothing selected: type and status -1
        if (c.type != -1) {
            history.AddCall(20, 0);
            history.SetCallType(20, c.type);
            history.SetCallStatus(20, c.status);
            history.SetBrowseMode(c.type == 1 || c.type == 3 ? CSessionStore::kBrowseDialed
                                  : c.status == 5            ? CSessionStore::kBrowseMissed
                                                             : CSessionStore::kBrowseReceived);
            history.ResetBrowse();
            int id = 0;
            ASSERT_EQ(history.SelectNextCall(0, 0, &id), S_OK);
            history.RefreshSelection(id);
        }
        CUploadWorker run(*device, history, contacts);
        Run(display::kCallList | c.mode, run);
        ASSERT_FALSE(output.Events().empty());
        EXPECT_EQ(output.Events().front(), Unit(c.kind, 0x0A));
    }
    for (int status : {3, 0}) {
        ON_CALL(contacts, GetSelectedContactStatus(_)).WillByDefault([status](int* s) {
            *s = status;
            return S_OK;
        });
        Run(display::kContactList | display::kFontMode);
        EXPECT_THAT(output.Events(), ElementsAre(Unit(status == 3 ? 0x6A : 0x6B, 0x0A), "rendered",
                                                 Unit(0x1A, 0x0A)));
    }
}

TEST_F(UploadWorkerTest, AContactInCharacterModeSendsItsHandle) {
    ON_CALL(contacts, GetSelectedContactStatus(_)).WillByDefault([](int* s) {
        *s = 3;
        return S_OK;
    });
    EXPECT_CALL(contacts, ReadSelectedContactHandleChar(_)).WillRepeatedly(Characters("amy"));
    Run(display::kContactList | display::kCharacterMode);
    EXPECT_EQ(output.Events(),
              Join({{Unit(0x6A, 0x0A), Unit(0x70, 0x0A)}, TextUnits("amy"), kEnd}));
    EXPECT_THAT(pauses.Pauses(), ElementsAre(1, 1, 1, 1, 1, 1));
}

TEST_F(UploadWorkerTest, ASingleItemIsFramedWithTheHandsetsPauses) {
    // Font mode: the rendered text after the item marker.
    Run(display::kSingleItem | display::kFontMode | display::kContactList);
    EXPECT_THAT(output.Events(),
                ElementsAre(Unit(0x00, 0x4F), Unit(0x6A, 0x0A), "rendered", Unit(0x1A, 0x0A)));
    EXPECT_THAT(pauses.Pauses(), ElementsAre(15, 25, 3, 1));
    EXPECT_EQ(device->m_nDisplayContent.load(), display::kContactList) << "0x0021 cleared";

    // Character mode: the current call partner's handle.
    EXPECT_CALL(contacts, ReadCallerHandleChar(_)).WillRepeatedly(Characters("joe"));
    Run(display::kSingleItem | display::kCharacterMode);
    EXPECT_EQ(
        output.Events(),
        Join({{Unit(0x00, 0x4F), Unit(0x6A, 0x0A), Unit(0x70, 0x0A)}, TextUnits("joe"), kEnd}));
    EXPECT_THAT(pauses.Pauses(), ElementsAre(15, 25, 3, 1, 1, 1, 1, 1));
    EXPECT_EQ(device->m_nDisplayContent.load(), 0);
}

TEST_F(UploadWorkerTest, AFailedItemMarkerEndsARenderedItemEarly) {
    output.failUnit = [](std::uint8_t value, std::uint8_t) { return value == 0x6A; };
    Run(display::kSingleItem | display::kFontMode);
    EXPECT_THAT(output.Events(), ElementsAre(Unit(0x00, 0x4F), Unit(0x1A, 0x0A)));
    EXPECT_EQ(device->m_nDisplayContent.load(), 0);
}

TEST_F(UploadWorkerTest, TheCallTimerSendsTheFormattedDuration) {
    store.FormatDuration(3725);
    Run(display::kCallTimer | display::kCallList);
    EXPECT_EQ(output.Events(),
              Join({{Unit(0x00, 0x4F), Unit(0x83, 0x0A)}, TextUnits("01:02:05"), kEnd}));
    std::vector<int> expected{2, 1, 1};
    expected.insert(expected.end(), 8, 1);  // one per character
    expected.push_back(1);                  // before the end marker
    EXPECT_EQ(pauses.Pauses(), expected);
    EXPECT_EQ(device->m_nDisplayContent.load(), display::kCallList);
}

TEST_F(UploadWorkerTest, AStopRequestEndsTheRunAfterTheUnitInProgress) {
    // The request arrives while the third duration character goes out.
    SelectCall(7, 0, 3, 3725, kSomeTime);
    int dataUnits = 0;
    output.onUnit = [&](std::uint8_t, std::uint8_t control) {
        if (control != 0x0A && ++dataUnits == 3) device->m_bAbortPending = 1;
    };
    EXPECT_CALL(renderer, SetAbort(0));
    Run(display::kCallList | display::kFontMode);
    EXPECT_EQ(output.Events(),
              Join({{Unit(0x6A, 0x0A), Unit(0x81, 0x0A)}, TextUnits("01:"), kEnd}));
    EXPECT_EQ(device->m_bAbortPending.load(), 0) << "the request was answered";
    EXPECT_EQ(device->m_bTransferActive.load(), 0);
    EXPECT_EQ(device->m_nDisplayContent.load(), display::kCallList);
}

// A stop that comes in the middle of a text leaves that text to be read from
// its start by the next transfer: the handset then shows the whole of it.
TEST_F(UploadWorkerTest, AStreamStoppedInsideATextSendsTheWholeTextNextTime) {
    struct Case {
        const char* name;
        std::int32_t content;
        int stopAfter;  // data units before the stop request; below 0: before the last
        std::function<void(CSessionStore&, CListManager&)> fill;
    };
    auto call = [](int type, int duration, const char* handle) {
        return [=](CSessionStore& s, CListManager&) {
            s.AddCall(30, 0);
            s.SetCallType(30, type);
            s.SetCallStatus(30, 4);
            s.SetCallDuration(30, duration);
            s.SetCallTimestamp(30, kSomeTime);
            s.SetCallPartnerHandle(30, handle, static_cast<int>(std::strlen(handle)));
            s.SetBrowseMode(type == 1 ? CSessionStore::kBrowseDialed
                                      : CSessionStore::kBrowseReceived);
            s.ResetBrowse();
            int id = 0;
            s.SelectNextCall(0, 0, &id);
            s.RefreshSelection(id);
        };
    };
    auto contact = [](CSessionStore&, CListManager& l) {
        l.AppendContact("amy.pond", CListManager::kReachable);
        l.SelectNextContact(0, 0);
    };
    auto caller = [](CSessionStore&, CListManager& l) { l.SetCallerHandle("joe.caller"); };
    const Case cases[] = {
        {"a contact's handle", display::kContactList | display::kCharacterMode, 3, contact},
        {"the caller's handle", display::kSingleItem | display::kCharacterMode, 4, caller},
        {"a call's duration", display::kCallList | display::kFontMode, 3, call(0, 3725, "bob")},
        {"a call's start time", display::kCallList | display::kFontMode, 10, call(0, 3725, "bob")},
        // Six characters of the handle are left.
        {"a call's handle", display::kCallList | display::kCharacterMode, -6,
         call(1, 61, "+4930123")},
        {"the call timer", display::kCallTimer, 5,
         [](CSessionStore& s, CListManager&) { s.FormatDuration(3725); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // What a transfer of a fresh entry sends.
        CSessionStore freshStore;
        CListManager freshList;
        c.fill(freshStore, freshList);
        ListManagerView freshView(freshList);
        CUploadWorker fresh(*device, freshStore, freshView);
        Run(c.content, fresh);
        const auto whole = output.Events();
        int stopAfter = c.stopAfter;
        if (stopAfter < 0) {
            for (const std::string& event : whole) {
                std::string control = event.substr(event.size() - 3);
                if (event.rfind("unit", 0) == 0 && (control == " 00" || control == " 05"))
                    ++stopAfter;
            }
        }

        CSessionStore history;
        CListManager list;
        c.fill(history, list);
        ListManagerView view(list);
        CUploadWorker run(*device, history, view);
        int dataUnits = 0;
        output.onUnit = [&](std::uint8_t, std::uint8_t control) {
            if ((control == 0x00 || control == 0x05) && ++dataUnits == stopAfter) {
                device->m_bAbortPending = 1;
            }
        };
        Run(c.content, run);
        output.onUnit = nullptr;
        ASSERT_EQ(dataUnits, stopAfter) << "stopped inside the text";
        ASSERT_LT(output.Events().size(), whole.size());

        Run(c.content, run);
        EXPECT_EQ(output.Events(), whole);
    }
}

}  // namespace
}  // namespace kestrava::testing
