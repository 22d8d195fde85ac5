// The contact list: display order after status and name changes, removal,
// the handset's browse, texts and buffers, loading the contact search reply,
// the contact action dialog's entries, and several threads at once.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "Fakes.h"
#include "protocol/CommandKeys.h"
#include "protocol/SkypeLink.h"
#include "session/CListManager.h"
#include "session/ContactActionSink.h"

using kestrava::testing::MockSkypeLink;
using ::testing::_;
using ::testing::Field;
using ::testing::InSequence;
using ::testing::StrEq;

namespace {

class MockContactActions : public ContactActionSink {
  public:
    MOCK_METHOD(void, AddCallEntry, (const CCallRecord& record), (override));
    MOCK_METHOD(void, AddContactEntry, (const CUserEntry& entry), (override));
};

// A caller buffer with guard bytes behind the 255 the list may write.
struct Buffer {
    static constexpr std::size_t kGuard = 16;
    char bytes[CListManager::kTextBufferSize + kGuard];
    Buffer() { std::memset(bytes, 'G', sizeof bytes); }
    std::string text() const { return std::string(bytes, strnlen(bytes, sizeof bytes)); }
    bool GuardIntact() const {
        for (std::size_t i = CListManager::kTextBufferSize; i < sizeof bytes; ++i)
            if (bytes[i] != 'G') return false;
        return true;
    }
};

void Name(CListManager& list, const std::string& handle, const std::string& name) {
    list.SetContactName(handle.c_str(), name.c_str(), static_cast<int>(name.size()));
}

std::string Selected(CListManager& list) {
    Buffer out;
    return Succeeded(list.GetSelectedContactHandle(out.bytes)) ? out.text() : "<fail>";
}

// The display order as the handset sees it browsing every contact.
std::vector<std::string> DisplayOrder(CListManager& list) {
    std::vector<std::string> order;
    list.SetBrowseAllContacts(1);
    list.ResetContactCursor();
    for (int skip = 0; Succeeded(list.SelectNextContact(0, skip)) && order.size() < 100; skip = 1) {
        if (!order.empty() && order.back() == Selected(list)) break;  // stopped at the end
        order.push_back(Selected(list));
    }
    return order;
}

// ---- display order ------------------------------------------------------------

struct Step {
    enum Kind { kName, kStatus, kRemove } kind;
    const char* handle;
    const char* name = "";
    int status = 0;
};
Step Named(const char* handle, const char* name) {
    return {Step::kName, handle, name};
}
Step Reachable(const char* handle) {
    return {Step::kStatus, handle, "", CListManager::kReachable};
}
Step Offline(const char* handle) {
    return {Step::kStatus, handle, "", CListManager::kUnreachable};
}
Step Removed(const char* handle) {
    return {Step::kRemove, handle};
}

struct OrderCase {
    const char* title;
    const char* reply;  // the contact search reply that fills the list
    std::vector<Step> steps;
    std::vector<std::string> expected;
};

class DisplayOrderAfterChanges : public ::testing::TestWithParam<OrderCase> {};

TEST_P(DisplayOrderAfterChanges, FollowsTheWalks) {
    CListManager list;
    ASSERT_EQ(S_OK, list.LoadContacts(GetParam().reply));
    for (const Step& step : GetParam().steps) {
        switch (step.kind) {
            case Step::kName:
                Name(list, step.handle, step.name);
                break;
            case Step::kStatus:
                EXPECT_EQ(S_OK, list.SetContactStatus(step.handle, step.status));
                break;
            case Step::kRemove:
                EXPECT_EQ(S_OK, list.RemoveContact(step.handle));
                break;
        }
    }
    EXPECT_EQ(GetParam().expected, DisplayOrder(list));
}

const OrderCase kOrderCases[] = {
    {"NewContactsKeepTheReplysOrder", "USERS b, a, c", {}, {"b", "a", "c"}},
    {"NamesCompareIgnoringCase",
     "USERS x, y",
     {Named("x", "Bob"), Named("y", "alice")},
     {"y", "x"}},
    {"AnEmptyNameGoesAheadOfEveryName",
     "USERS a, b",
     {Named("a", "Zack"), Named("b", "Yan"), Named("a", "")},
     {"a", "b"}},
    {"ReachableGoesAheadOfAGreaterReachableName",
     "USERS al, bob",
     {Named("al", "Al"), Named("bob", "Bob"), Reachable("bob"), Reachable("al")},
     {"al", "bob"}},
    {"ReachablePassesUnreachableButStopsBehindASmallerReachableName",
     "USERS bob, al, cy",
     {Named("bob", "Bob"), Named("al", "Al"), Named("cy", "Cy"), Reachable("bob"), Reachable("cy")},
     {"bob", "cy", "al"}},
    {"OfflineGoesBehindTheReachableToItsNamePlace",
     "USERS al, bob, cy, dan, eve",
     {Named("al", "Al"), Named("bob", "Bob"), Named("cy", "Cy"), Named("dan", "Dan"),
      Named("eve", "Eve"), Reachable("al"), Reachable("bob"), Reachable("dan"), Offline("bob")},
     {"al", "dan", "bob", "cy", "eve"}},
    {"OfflineWithoutUnreachableGoesToTheEnd",
     "USERS al, bob, cy",
     {Named("al", "Al"), Named("bob", "Bob"), Named("cy", "Cy"), Reachable("al"), Reachable("bob"),
      Reachable("cy"), Offline("al")},
     {"bob", "cy", "al"}},
    // A name moves its contact past every greater name, whatever the status;
    // the same status again moves nothing.
    {"ANameIgnoresStatusAndARepeatedStatusMovesNothing",
     "USERS bob, al",
     {Named("bob", "Bob"), Reachable("bob"), Named("al", "Al"), Offline("al")},
     {"al", "bob"}},
    {"HandlesMatchIgnoringCase",
     "USERS Echo, bob",
     {Named("ECHO", "Zed"), Named("BOB", "Al"), Reachable("echo")},
     {"Echo", "bob"}},
    {"RemovalKeepsTheRestInOrder",
     "USERS a, b, c, d, e",
     {Named("a", "A"), Named("b", "B"), Named("c", "C"), Named("d", "D"), Named("e", "E"),
      Reachable("c"), Removed("b"), Reachable("e")},
     {"c", "e", "a", "d"}},
};

INSTANTIATE_TEST_SUITE_P(ContactList, DisplayOrderAfterChanges, ::testing::ValuesIn(kOrderCases),
                         [](const auto& info) { return std::string(info.param.title); });

TEST(ContactList, UnknownHandlesChangeNothing) {
    CListManager list;
    list.LoadContacts("USERS al");
    EXPECT_EQ(E_FAIL, list.SetContactStatus("bob", 3));
    EXPECT_EQ(E_FAIL, list.SetContactName("bob", "Bob", 3));
    EXPECT_EQ(S_OK, list.RemoveContact("bob"));
    int count = 0;
    list.GetContactCount(&count);
    EXPECT_EQ(1, count);
}

TEST(ContactList, ResortByHandleComparesBytesAndPutsEmptyHandlesBehind) {
    CListManager list;
    list.AppendContact("bob", 0);
    list.AppendContact("", 0);
    list.AppendContact("Carl", 0);  // 'C' sorts before 'b' byte-wise
    EXPECT_EQ(S_OK, list.ResortByHandle(2));
    EXPECT_EQ((std::vector<std::string>{"Carl", "bob", ""}), DisplayOrder(list));
    EXPECT_EQ(E_FAIL, list.ResortByHandle(7));
    EXPECT_EQ(E_FAIL, list.ResortByName(-1));
    EXPECT_EQ(E_FAIL, list.ResortByStatus(3, 3));
}

// ---- adding and removing ----------------------------------------------------

// Callers rely on the inverted result: failure means "added".
TEST(ContactList, AddContactFailsWhenItAddsAndSucceedsWhenTheHandleIsKnown) {
    CListManager list;
    EXPECT_EQ(E_FAIL, list.AddContact("Echo123", 0));
    EXPECT_EQ(S_OK, list.AddContact("echo123", 3));
    EXPECT_EQ(S_OK, list.AddContact(nullptr, 0));  // nothing added: must not read as added
    int count = 0, status = -1;
    list.GetContactCount(&count);
    EXPECT_EQ(1, count);
    Buffer handle;
    ASSERT_EQ(S_OK, list.GetContactAt(0, handle.bytes, &status));
    EXPECT_EQ("Echo123", handle.text());
    EXPECT_EQ(0, status);  // the known entry kept its status
}

TEST(ContactList, RemovingTheMiddleOfFiveKeepsIndexesDense) {
    CListManager list;
    list.LoadContacts("USERS a, b, c, d, e");
    list.SetContactStatus("e", 3);  // the display order differs from the list order
    EXPECT_EQ(S_OK, list.RemoveContact("C"));
    const char* expected[] = {"a", "b", "d", "e"};
    for (int i = 0; i < 4; ++i) {
        Buffer handle;
        int status = 0;
        ASSERT_EQ(S_OK, list.GetContactAt(i, handle.bytes, &status));
        EXPECT_EQ(expected[i], handle.text());
    }
    Buffer past;
    int status = 0;
    EXPECT_EQ(E_FAIL, list.GetContactAt(4, past.bytes, &status));
    EXPECT_EQ(E_FAIL, list.GetContactAt(-1, past.bytes, &status));
    EXPECT_EQ((std::vector<std::string>{"e", "a", "b", "d"}), DisplayOrder(list));
    // The next contact takes the index the removed one freed.
    EXPECT_EQ(E_FAIL, list.AddContact("f", 0));
    ASSERT_EQ(S_OK, list.GetContactAt(4, past.bytes, &status));
    EXPECT_EQ("f", past.text());
}

// ---- browsing -------------------------------------------------------------------

struct BrowseStep {
    int backward;
    int skipCurrent;
    const char* selected;  // nullptr: the step fails
};

// Display order: a, c (both reachable), b, d.
class ContactBrowse : public ::testing::Test {
  protected:
    void SetUp() override {
        m_list.LoadContacts("USERS a, b, c, d");
        for (const char* handle : {"a", "b", "c", "d"}) Name(m_list, handle, handle);
        m_list.SetContactStatus("a", 3);
        m_list.SetContactStatus("c", 3);
        ASSERT_EQ((std::vector<std::string>{"a", "c", "b", "d"}), DisplayOrder(m_list));
        m_list.ResetContactCursor();
    }

    void Run(int browseAll, const std::vector<BrowseStep>& steps) {
        m_list.SetBrowseAllContacts(browseAll);
        for (std::size_t i = 0; i < steps.size(); ++i) {
            SCOPED_TRACE("step " + std::to_string(i));
            const HResult result =
                m_list.SelectNextContact(steps[i].backward, steps[i].skipCurrent);
            if (steps[i].selected == nullptr) {
                EXPECT_EQ(E_FAIL, result);
            } else {
                EXPECT_EQ(S_OK, result);
                EXPECT_EQ(steps[i].selected, Selected(m_list));
            }
        }
    }

    CListManager m_list;
};

TEST_F(ContactBrowse, AllContactsWalkTheDisplayOrderAndStopAtBothEnds) {
    Run(1, {{0, 0, "a"},
            {0, 1, "c"},
            {0, 1, "b"},
            {0, 1, "d"},
            {0, 1, "d"},
            {1, 0, "b"},
            {1, 1, "c"},
            {1, 0, "a"},
            {1, 0, "a"},
            {0, 0, "a"}});
}

TEST_F(ContactBrowse, ReachableOnlySkipsTheOthersAndAFailedStepKeepsTheSelection) {
    // d is unreachable: stepping past c fails and the cursor returns to c.
    Run(0, {{0, 0, "a"}, {0, 1, "c"}, {0, 1, nullptr}, {1, 0, "a"}, {1, 0, nullptr}, {0, 1, "c"}});
    EXPECT_EQ("c", Selected(m_list));
}

TEST_F(ContactBrowse, WithNoReachableContactTheStepFailsAndTheSelectionStays) {
    Run(0, {{0, 0, "a"}});
    m_list.SetContactStatus("a", 0);
    m_list.SetContactStatus("c", 0);
    m_list.ResetContactCursor();
    Run(0, {{0, 0, nullptr}, {0, 1, nullptr}, {1, 0, nullptr}});
    EXPECT_EQ("a", Selected(m_list));
    int status = 0;
    m_list.GetSelectedContactStatus(&status);
    EXPECT_EQ(3, status);  // as it was when a was selected
}

TEST(ContactList, AnEmptyListSelectsNothing) {
    CListManager list;
    EXPECT_EQ(E_FAIL, list.SelectNextContact(0, 0));
    list.SetBrowseAllContacts(1);
    EXPECT_EQ(E_FAIL, list.SelectNextContact(1, 0));
    Buffer name;
    EXPECT_EQ(E_FAIL, list.GetSelectedContactName(name.bytes));
}

// The cursor follows removals: a removal in front of it shifts it back so it
// stays on its contact, and it never lies past the end.
TEST_F(ContactBrowse, RemovingInFrontOfTheCursorKeepsItOnItsContact) {
    Run(1, {{0, 0, "a"}, {0, 1, "c"}, {0, 1, "b"}});
    m_list.RemoveContact("a");
    Run(1, {{0, 0, "b"}, {1, 0, "c"}});
}

TEST_F(ContactBrowse, RemovingTheLastContactsUnderTheCursorClampsIt) {
    Run(1, {{0, 0, "a"}, {0, 1, "c"}, {0, 1, "b"}, {0, 1, "d"}});
    m_list.RemoveContact("d");
    m_list.RemoveContact("b");
    Run(1, {{0, 0, "c"}, {1, 0, "a"}});
}

TEST_F(ContactBrowse, AFailedStepAfterRemovalsReturnsToAPositionInTheList) {
    Run(0, {{0, 0, "a"}, {0, 1, "c"}});  // last match: position 1
    m_list.RemoveContact("c");
    m_list.RemoveContact("b");
    m_list.RemoveContact("d");
    m_list.SetContactStatus("a", 0);
    Run(0, {{0, 1, nullptr}, {1, 0, nullptr}});
    m_list.SetContactStatus("a", 3);
    Run(0, {{0, 0, "a"}});
}

TEST_F(ContactBrowse, ClearingStartsTheBrowseAgainAtTheFront) {
    Run(1, {{0, 0, "a"}, {0, 1, "c"}, {0, 1, "b"}, {0, 1, "d"}});
    m_list.ClearContacts();
    EXPECT_EQ(E_FAIL, m_list.SelectNextContact(0, 1));
    EXPECT_EQ("d", Selected(m_list));  // a copy: still readable
    m_list.LoadContacts("USERS x, y");
    Run(1, {{0, 0, "x"}, {1, 0, "x"}, {0, 1, "y"}});
}

// ---- texts -------------------------------------------------------------------

TEST(ContactListTexts, ANameIsKeptCutTo254BytesAndBuffersStayTerminated) {
    CListManager list;
    const std::string longHandle(300, 'h');
    list.LoadContacts(("USERS " + longHandle).c_str());
    list.SetBrowseAllContacts(1);
    Name(list, longHandle, std::string(400, 'N'));
    ASSERT_EQ(S_OK, list.SelectNextContact(0, 0));
    Buffer name, handle, atIndex;
    ASSERT_EQ(S_OK, list.GetSelectedContactName(name.bytes));
    EXPECT_EQ(std::string(254, 'N'), name.text());
    EXPECT_TRUE(name.GuardIntact());
    ASSERT_EQ(S_OK, list.GetSelectedContactHandle(handle.bytes));
    EXPECT_EQ(std::string(254, 'h'), handle.text());
    EXPECT_TRUE(handle.GuardIntact());
    int status = 0;
    ASSERT_EQ(S_OK, list.GetContactAt(0, atIndex.bytes, &status));
    EXPECT_EQ(std::string(254, 'h'), atIndex.text());
    EXPECT_TRUE(atIndex.GuardIntact());
}

TEST(ContactListTexts, ANameStopsAtItsLengthOrItsZero) {
    CListManager list;
    list.LoadContacts("USERS al, bob");
    list.SetContactName("al", "Alfred", 2);
    list.SetContactName("bob", "Bo\0b", 4);
    list.SetBrowseAllContacts(1);
    list.SelectNextContact(0, 0);
    Buffer first, second;
    list.GetSelectedContactName(first.bytes);
    list.SelectNextContact(0, 1);
    list.GetSelectedContactName(second.bytes);
    EXPECT_EQ("Al", first.text());
    EXPECT_EQ("Bo", second.text());
    EXPECT_EQ(E_FAIL, list.SetContactName("al", "x", -1));
}

TEST(ContactListTexts, TheHandlesAreReadOneCharacterAtATimeAndStartOver) {
    CListManager list;
    char c = 0;
    EXPECT_EQ(E_FAIL, list.ReadCallerHandleChar(&c));  // empty
    list.SetCallerHandle("ab");
    std::string read;
    for (int i = 0; i < 4; ++i) read += Succeeded(list.ReadCallerHandleChar(&c)) ? c : '|';
    EXPECT_EQ("ab|a", read);
    list.SetCallerHandle("xy");  // a new handle starts at its first character
    ASSERT_EQ(S_OK, list.ReadCallerHandleChar(&c));
    EXPECT_EQ('x', c);

    list.LoadContacts("USERS pat");
    list.SetBrowseAllContacts(1);
    list.SelectNextContact(0, 0);
    read.clear();
    for (int i = 0; i < 5; ++i) read += Succeeded(list.ReadSelectedContactHandleChar(&c)) ? c : '|';
    EXPECT_EQ("pat|p", read);
    list.SelectNextContact(0, 0);  // selecting again starts over
    ASSERT_EQ(S_OK, list.ReadSelectedContactHandleChar(&c));
    EXPECT_EQ('p', c);
}

TEST(ContactListTexts, TheCallerNameIsKeptAsReceived) {
    CListManager list;
    Buffer name;
    EXPECT_EQ(E_FAIL, list.GetCallerName(name.bytes));
    list.SetCallerName("Ann \xE5\xBC\xA0");
    ASSERT_EQ(S_OK, list.GetCallerName(name.bytes));
    EXPECT_EQ("Ann \xE5\xBC\xA0", name.text());
}

TEST(ContactListTexts, NullPointersFailWithoutChangingAnything) {
    CListManager list;
    list.LoadContacts("USERS al");
    int status = 0;
    Buffer handle;
    EXPECT_EQ(E_FAIL, list.AppendContact(nullptr, 0));
    EXPECT_EQ(E_FAIL, list.SetContactStatus(nullptr, 3));
    EXPECT_EQ(E_FAIL, list.SetContactName("al", nullptr, 3));
    EXPECT_EQ(E_FAIL, list.SetContactName(nullptr, "x", 1));
    EXPECT_EQ(S_OK, list.RemoveContact(nullptr));
    EXPECT_EQ(E_FAIL, list.LoadContacts(nullptr));
    EXPECT_EQ(E_FAIL, list.SetCallerHandle(nullptr));
    EXPECT_EQ(E_FAIL, list.SetCallerName(nullptr));
    EXPECT_EQ(E_FAIL, list.GetContactAt(0, nullptr, &status));
    EXPECT_EQ(E_FAIL, list.GetContactAt(0, handle.bytes, nullptr));
    EXPECT_EQ(E_FAIL, list.GetContactCount(nullptr));
    EXPECT_EQ(E_FAIL, list.GetBalance(nullptr));
    EXPECT_EQ(E_FAIL, list.GetSelectedContactStatus(nullptr));
    EXPECT_EQ(E_FAIL, list.GetSelectedContactHandle(nullptr));
    EXPECT_EQ(E_FAIL, list.ReadCallerHandleChar(nullptr));
    EXPECT_EQ(E_FAIL, list.ReadSelectedContactHandleChar(nullptr));
    list.SetCallerName("Ann");
    EXPECT_EQ(E_FAIL, list.GetCallerName(nullptr));
    list.SetBrowseAllContacts(1);
    list.SelectNextContact(0, 0);
    list.SetContactName("al", "Al", 2);
    list.SelectNextContact(0, 0);
    EXPECT_EQ(E_FAIL, list.GetSelectedContactName(nullptr));
    int count = 0;
    list.GetContactCount(&count);
    EXPECT_EQ(1, count);
}

// ---- loading, and the contact action dialog --------------------------------

TEST(ContactListLoad, EveryNewHandleIsAskedForItsDisplayNameOnceInTheBulkLane) {
    MockSkypeLink link;
    CListManager list(&link);
    {
        InSequence order;
        for (const char* handle : {"alice", "bob", "carol", "dave"})
            EXPECT_CALL(link, QueueBulkCommand(KEY_SKYPE_GET_USER_DISPLAYNAME, StrEq(handle), 0));
    }
    EXPECT_EQ(S_OK, list.LoadContacts("USERS alice, bob,carol"));
    EXPECT_EQ(S_OK, list.LoadContacts("USERS alice, bob, carol"));  // adds nothing
    EXPECT_EQ(S_OK, list.LoadContacts("USERS BOB  dave,\r\n"));     // only dave is new
    EXPECT_EQ(S_OK, list.LoadContacts("USERS"));
    int count = 0;
    list.GetContactCount(&count);
    EXPECT_EQ(4, count);
    EXPECT_EQ((std::vector<std::string>{"alice", "bob", "carol", "dave"}), DisplayOrder(list));
}

TEST(ContactListPost, EntriesGoInListOrderAndReachableOnlyForTheSecond) {
    MockContactActions dialog;
    CListManager list(nullptr, &dialog);
    EXPECT_EQ(E_FAIL, CListManager().PostAllContacts());  // no dialog wired
    list.LoadContacts("USERS zed, amy, kim");
    list.SetContactStatus("kim", 3);
    list.SetContactStatus("zed", 3);  // display order: zed, kim, amy
    {
        InSequence order;
        for (const char* handle : {"zed", "amy", "kim", "zed", "kim"})
            EXPECT_CALL(dialog, AddContactEntry(Field(&CUserEntry::m_strHandle, handle)));
    }
    EXPECT_CALL(dialog, AddCallEntry(_)).Times(0);
    EXPECT_EQ(S_OK, list.PostAllContacts());
    EXPECT_EQ(S_OK, list.PostReachableContacts());
}

// ---- several threads ------------------------------------------------------------

// The parser changes statuses and names (and drops and re-adds a contact)
// while the handset browses; every selection the handset reads is one
// contact's, and the list ends as a complete display order.
TEST(ContactListConcurrency, StatusAndNameChangesWhileTheHandsetBrowses) {
    constexpr int kContacts = 40;
    constexpr int kRounds = 60;
    CListManager list;
    std::string reply = "USERS";
    for (int i = 0; i < kContacts; ++i) reply += " u" + std::to_string(i) + ",";
    list.LoadContacts(reply.c_str());
    auto handle = [](int i) { return "u" + std::to_string(i); };

    std::atomic<int> writersDone{0}, faults{0}, selections{0};
    std::thread statuses([&] {
        for (int round = 0; round < kRounds; ++round) {
            for (int i = 0; i < kContacts; ++i)
                list.SetContactStatus(handle(i).c_str(), (i + round) % 3 == 0 ? 3 : 0);
            list.RemoveContact(handle(round % kContacts).c_str());
            list.AddContact(handle(round % kContacts).c_str(), 3);
        }
        ++writersDone;
    });
    std::thread names([&] {
        for (int round = 0; round < kRounds; ++round) {
            for (int i = 0; i < kContacts; ++i) {
                // The name carries its handle, so a reader can tell a torn selection.
                const std::string name =
                    std::string(1, char('A' + (i * 7 + round) % 26)) + "\xE6\x9D\x8E|" + handle(i);
                Name(list, handle(i), name);
            }
        }
        ++writersDone;
    });
    std::thread handset([&] {
        for (int pass = 0; writersDone < 2 || pass < 5; ++pass) {
            list.SetBrowseAllContacts(pass % 2);
            list.ResetContactCursor();
            for (int step = 0; step < 2 * kContacts; ++step) {
                if (!Succeeded(list.SelectNextContact(step % 9 == 8, step > 0))) continue;
                ++selections;
                Buffer h, n;
                list.GetSelectedContactHandle(h.bytes);
                const std::string hs = h.text();
                if (Succeeded(list.GetSelectedContactName(n.bytes))) {
                    const std::string ns = n.text();
                    if (ns.size() < hs.size() + 1 ||
                        ns.substr(ns.size() - hs.size() - 1) != "|" + hs)
                        ++faults;
                }
                if (!h.GuardIntact() || !n.GuardIntact()) ++faults;
            }
        }
    });
    statuses.join();
    names.join();
    handset.join();

    EXPECT_EQ(0, faults.load());
    EXPECT_GT(selections.load(), 0);
    int count = 0;
    list.GetContactCount(&count);
    ASSERT_EQ(kContacts, count);
    std::vector<std::string> order = DisplayOrder(list);
    std::sort(order.begin(), order.end());
    std::vector<std::string> all;
    for (int i = 0; i < kContacts; ++i) all.push_back(handle(i));
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all, order);
}

}  // namespace
