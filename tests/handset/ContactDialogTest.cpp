// The contact action dialog over the recorded dialog model: its thread, its
// window in the in-process desktop, and a real store and contact list
// filling it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <future>
#include <thread>

#include "HandsetTestSupport.h"
#include "handset/ContactDialog.h"
#include "platform/posix/InProcessDesktop.h"
#include "platform/posix/ModelDialogHost.h"
#include "session/CCallRecord.h"
#include "session/CListManager.h"
#include "session/CSessionStore.h"
#include "session/CUserEntry.h"
#include "tests/session/StoreTestSupport.h"

namespace {

using kestrava::DialogModel;
using kestrava::testing::Gate;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr auto kHangGuard = std::chrono::seconds(10);

bool WaitUntil(const std::function<bool()>& condition) {
    auto deadline = std::chrono::steady_clock::now() + kHangGuard;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// The model; the dialog's thread can be held before it is shown and before
// each line.
class GatedHost final : public kestrava::DialogHost {
  public:
    explicit GatedHost(kestrava::WindowSystem& windows) : model(windows) {}

    kestrava::ModelDialogHost model;
    Gate* beforeShow = nullptr;
    Gate* beforeLine = nullptr;

    void InsertComboString(DialogHandle d, int c, int i, const std::string& t) override {
        model.InsertComboString(d, c, i, t);
    }
    void SelectComboIndex(DialogHandle d, int c, int i) override {
        model.SelectComboIndex(d, c, i);
    }
    kestrava::LParam RunModalDialog(int resource, kestrava::WindowProc procedure) override {
        if (beforeShow) beforeShow->Wait();
        return model.RunModalDialog(resource, std::move(procedure));
    }
    void EndDialog(DialogHandle d, kestrava::LParam r) override { model.EndDialog(d, r); }
    void SetDialogTitle(DialogHandle d, const std::string& t) override {
        model.SetDialogTitle(d, t);
    }
    void MakeTopmost(DialogHandle d) override { model.MakeTopmost(d); }
    int AddListString(DialogHandle d, int c, const std::string& t) override {
        if (beforeLine) beforeLine->Wait();
        return model.AddListString(d, c, t);
    }
    int ListCount(DialogHandle d, int c) override { return model.ListCount(d, c); }
    int ListSelection(DialogHandle d, int c) override { return model.ListSelection(d, c); }
    void SelectListIndex(DialogHandle d, int c, int i) override { model.SelectListIndex(d, c, i); }
    void SetControlText(DialogHandle d, int c, const std::string& t) override {
        model.SetControlText(d, c, t);
    }
    std::string ControlText(DialogHandle d, int c) override { return model.ControlText(d, c); }
    void SetChecked(DialogHandle d, int c, bool v) override { model.SetChecked(d, c, v); }
    bool IsChecked(DialogHandle d, int c) override { return model.IsChecked(d, c); }
    int ComboCount(DialogHandle d, int c) override { return model.ComboCount(d, c); }
    int ComboSelection(DialogHandle d, int c) override { return model.ComboSelection(d, c); }
    std::string ComboText(DialogHandle d, int c, int i) override {
        return model.ComboText(d, c, i);
    }
    void CloseComboDropDown(DialogHandle d, int c) override { model.CloseComboDropDown(d, c); }
    void SetTrackbarRange(DialogHandle d, int c, int lo, int hi) override {
        model.SetTrackbarRange(d, c, lo, hi);
    }
    void SetTrackbarPosition(DialogHandle d, int c, int p) override {
        model.SetTrackbarPosition(d, c, p);
    }
    int TrackbarPosition(DialogHandle d, int c) override { return model.TrackbarPosition(d, c); }
};

class ContactDialogTest : public ::testing::Test {
  protected:
    ContactDialogTest() {
        session_test::AddRecord(store, 1, 1, 4, "carol");
        session_test::AddRecord(store, 2, 0, 4, "dave");  // received: not redialed
        session_test::AddRecord(store, 3, 3, 4, "+4930");
        session_test::AddRecord(store, 4, 1, 4, "\xE5\xBC\xA0san");
        contacts.LoadContacts("USERS amy, bob, kim");
        contacts.SetContactStatus("kim", 3);
        contacts.SetContactStatus("amy", 3);
        dialog.SetSources(&store, &contacts);
    }

    // Opens the dialog and waits until it has filled itself: the selection
    // query is answered only after the initialisation.
    void Open(int mode) {
        dialog.ListKey(mode);
        ASSERT_TRUE(WaitUntil([&] { return dialog.IsOpen(); }));
        dialog.SelectedHandle();
    }
    DialogModel Model() { return host.model.Current(); }
    std::vector<std::string> Lines() { return host.model.Lines(CContactDialog::kListControl); }
    int Selection() { return Model().selection[CContactDialog::kListControl]; }
    bool Closed() {
        return WaitUntil([&] { return !dialog.IsOpen() && !Model().open; });
    }

    kestrava::InProcessDesktop desktop;
    std::unique_ptr<kestrava::InProcessDesktop::Program> program = desktop.OpenProgram("Kestrava");
    GatedHost host{*program};
    CSessionStore store;
    CListManager contacts;
    CContactDialog dialog{host, *program};
};

TEST_F(ContactDialogTest, EachListOpensWithItsTitlesAndLines) {
    struct Case {
        int mode;
        std::vector<std::string> titles;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {CContactDialog::kRedial,
         {"Redial, 0 Users", "Redial", "Redial", "Redial"},
         {"carol", "+4930", "\xE5\xBC\xA0san"}},
        {CContactDialog::kChat, {"Message, 0 Users", "Chat", "Chat"}, {"amy", "kim"}},
        {CContactDialog::kSendFile,
         {"Send File, 0 Users", "Send File", "Send File"},
         {"amy", "kim"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        Open(c.mode);
        DialogModel model = Model();
        EXPECT_EQ(CContactDialog::kDialogResource, model.resourceId);
        EXPECT_EQ(c.titles, model.titles);
        EXPECT_EQ(c.lines, Lines());
        EXPECT_EQ(1 + static_cast<int>(c.lines.size()), model.topmostCalls);
        EXPECT_EQ(-1, Selection());
        EXPECT_FALSE(dialog.ShowsSelectableList());
        dialog.CloseAndClear();
        EXPECT_TRUE(Closed());
    }
    EXPECT_EQ(3u, host.model.Dialogs().size());
}

TEST_F(ContactDialogTest, WithoutSourcesItOpensEmpty) {
    dialog.SetSources(nullptr, nullptr);
    Open(CContactDialog::kChat);
    EXPECT_THAT(Model().titles, ElementsAre("Message, 0 Users"));
    EXPECT_THAT(Lines(), IsEmpty());
    dialog.MoveSelection(true);  // arms it, selects nothing
    EXPECT_TRUE(dialog.ShowsSelectableList());
    EXPECT_EQ("", dialog.SelectedHandle());
    // The sources no longer post to it.
    EXPECT_EQ(E_FAIL, store.PostRecentDialedCalls());
}

TEST_F(ContactDialogTest, UpAndDownWrapAroundAndArmTheList) {
    Open(CContactDialog::kRedial);
    EXPECT_FALSE(dialog.ShowsSelectableList());
    EXPECT_EQ("", dialog.SelectedHandle());

    const std::vector<std::pair<bool, int>> steps = {{true, 2},  {false, 0}, {false, 1}, {false, 2},
                                                     {false, 0}, {true, 2},  {true, 1}};
    for (auto [up, expected] : steps) {
        dialog.MoveSelection(up);
        EXPECT_EQ(expected, Selection()) << (up ? "up" : "down");
    }
    EXPECT_TRUE(dialog.ShowsSelectableList());
    EXPECT_EQ("+4930", dialog.SelectedHandle());
    dialog.MoveSelection(false);
    // Kept as Skype gave it, whatever the line shows.
    EXPECT_EQ("\xE5\xBC\xA0san", dialog.SelectedHandle());
}

TEST_F(ContactDialogTest, AnEntryFromAnotherThreadIsAppendedAndClearsTheSelection) {
    Open(CContactDialog::kRedial);
    dialog.MoveSelection(true);
    session_test::AddRecord(store, 5, 1, 4, "erin");
    EXPECT_EQ(S_OK, store.PostRecentDialedCalls());  // this thread, not the dialog's
    EXPECT_THAT(Lines(), ElementsAre("carol", "+4930", "\xE5\xBC\xA0san", "carol", "+4930",
                                     "\xE5\xBC\xA0san", "erin"));
    EXPECT_EQ(-1, Selection());
    EXPECT_EQ("", dialog.SelectedHandle());
}

// Any program can send the add-entry message to the visible window: only an
// entry the store or the list is handing over is read, never an address from
// elsewhere (here real objects, so that reading them would show).
TEST_F(ContactDialogTest, AnEntryNotHandedOverIsIgnored) {
    Open(CContactDialog::kRedial);
    const kestrava::WindowHandle window = Model().handle;
    auto intruder = desktop.OpenProgram("Intruder");
    const CUserEntry contact(0, "mallory", 3);
    CCallRecord record(9);
    record.PartnerHandle = "trudy";
    const struct {
        kestrava::WParam kind;
        const void* entry;
    } sends[] = {{CContactDialog::kContactEntry, &contact},
                 {CContactDialog::kCallEntry, &record},
                 {CContactDialog::kContactEntry, &record},
                 {CContactDialog::kCallEntry, nullptr}};
    for (const auto& send : sends) {
        intruder->Send(window, CContactDialog::kAddEntry, send.kind,
                       reinterpret_cast<kestrava::LParam>(send.entry), std::chrono::seconds(1));
    }
    EXPECT_THAT(Lines(), ElementsAre("carol", "+4930", "\xE5\xBC\xA0san"));
    EXPECT_THAT(Model().titles, ElementsAre("Redial, 0 Users", "Redial", "Redial", "Redial"));

    // The store still hands over its entries.
    EXPECT_EQ(S_OK, store.PostRecentDialedCalls());
    EXPECT_EQ(6u, Lines().size());
}

TEST_F(ContactDialogTest, TheSameListKeyClosesAnotherLeavesItOpen) {
    Open(CContactDialog::kRedial);
    dialog.MoveSelection(false);
    dialog.ListKey(CContactDialog::kChat);
    EXPECT_TRUE(dialog.IsOpen());
    EXPECT_TRUE(dialog.ShowsSelectableList());
    EXPECT_TRUE(dialog.RedialFlag());
    EXPECT_TRUE(dialog.ChatFlag());
    EXPECT_FALSE(dialog.FileFlag());
    EXPECT_EQ(1u, host.model.Dialogs().size());

    dialog.ListKey(CContactDialog::kRedial);
    EXPECT_TRUE(Closed());
    EXPECT_FALSE(dialog.RedialFlag());
    EXPECT_TRUE(dialog.ChatFlag());
    EXPECT_FALSE(dialog.ShowsSelectableList());

    // The chat list opens next, not armed.
    Open(CContactDialog::kChat);
    EXPECT_EQ(2u, host.model.Dialogs().size());
    EXPECT_FALSE(dialog.ShowsSelectableList());
}

// Every way the dialog closes, and the flags each one clears.
TEST_F(ContactDialogTest, EachCloseClearsItsOwnFlag) {
    struct Case {
        const char* name;
        int mode;
        std::uint32_t message;
        kestrava::WParam wParam;
        bool redial, chat, file;
    };
    const Case cases[] = {
        {"close redial", CContactDialog::kRedial, CContactDialog::kCloseRedial, 0, false, true,
         true},
        {"close chat", CContactDialog::kChat, CContactDialog::kCloseChat, 0, true, false, true},
        {"close file", CContactDialog::kSendFile, CContactDialog::kCloseSendFile, 0, true, true,
         false},
        {"OK", CContactDialog::kChat, kestrava::msg::kCommand, kestrava::kOk, false, true, true},
        {"Cancel", CContactDialog::kRedial, kestrava::msg::kCommand, kestrava::kCancel, false, true,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open(c.mode);
        for (int mode : {CContactDialog::kRedial, CContactDialog::kChat, CContactDialog::kSendFile})
            if (mode != c.mode) dialog.ListKey(mode);
        ASSERT_TRUE(dialog.IsOpen());
        program->Send(Model().handle, c.message, c.wParam, 0, std::chrono::seconds(5));
        EXPECT_TRUE(Closed());
        EXPECT_EQ(c.redial, dialog.RedialFlag());
        EXPECT_EQ(c.chat, dialog.ChatFlag());
        EXPECT_EQ(c.file, dialog.FileFlag());
        dialog.CloseAndClear();
    }
}

TEST_F(ContactDialogTest, CloseAndClearEndsTheDialogAndItsThread) {
    Open(CContactDialog::kSendFile);
    dialog.ListKey(CContactDialog::kRedial);
    dialog.MoveSelection(true);
    dialog.CloseAndClear();
    EXPECT_FALSE(dialog.IsOpen());
    EXPECT_FALSE(Model().open);
    EXPECT_FALSE(dialog.RedialFlag() || dialog.ChatFlag() || dialog.FileFlag());
    EXPECT_FALSE(dialog.ShowsSelectableList());
    dialog.CloseAndClear();  // nothing open: no effect
    Open(CContactDialog::kSendFile);
    EXPECT_EQ(2u, host.model.Dialogs().size());
}

// The window does not exist yet: moves go nowhere, and the same key again
// closes the dialog as soon as it has initialised.
TEST_F(ContactDialogTest, KeysWhileItOpens) {
    Gate show;
    host.beforeShow = &show;
    dialog.ListKey(CContactDialog::kRedial);
    EXPECT_FALSE(dialog.IsOpen());
    dialog.MoveSelection(true);
    dialog.ListKey(CContactDialog::kChat);  // another list: no second dialog
    dialog.ListKey(CContactDialog::kRedial);
    show.Open();
    ASSERT_TRUE(WaitUntil([&] { return host.model.Dialogs().size() == 1 && !Model().open; }));
    EXPECT_TRUE(Closed());
    EXPECT_THAT(Lines(), ElementsAre("carol", "+4930", "\xE5\xBC\xA0san"));
    EXPECT_EQ(-1, Selection());
    EXPECT_FALSE(dialog.RedialFlag());
    EXPECT_TRUE(dialog.ChatFlag());
}

// Shutdown while the dialog is open and its thread is held inside its fill
// (with the store's lock held).
TEST_F(ContactDialogTest, ShutdownWhileItFillsItself) {
    Gate line;
    host.beforeLine = &line;
    dialog.ListKey(CContactDialog::kRedial);
    ASSERT_TRUE(WaitUntil([&] { return dialog.IsOpen(); }));
    // A key to a dialog that does not answer returns once its send times out.
    dialog.MoveSelection(true);
    auto shutdown = std::async(std::launch::async, [&] { dialog.Shutdown(); });
    line.Open();
    shutdown.get();
    EXPECT_FALSE(dialog.IsOpen());
    EXPECT_FALSE(Model().open);
    EXPECT_EQ(-1, Selection());                        // the move given up on was never made
    EXPECT_EQ(E_FAIL, store.PostRecentDialedCalls());  // both unwired
    EXPECT_EQ(E_FAIL, contacts.PostReachableContacts());
    dialog.ListKey(CContactDialog::kRedial);
    EXPECT_EQ(1u, host.model.Dialogs().size());
    dialog.Shutdown();
}

}  // namespace
