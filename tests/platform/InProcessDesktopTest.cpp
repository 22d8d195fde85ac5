// The in-process desktop must behave like the Windows desktop wherever the
// program depends on it: thread ownership, bounded sends, copies of
// WM_COPYDATA, message order and timers.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <map>
#include <thread>
#include <vector>

#include "platform/posix/InProcessDesktop.h"

namespace kestrava {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kPing = msg::kApp + 100;
constexpr std::uint32_t kQuit = msg::kApp + 101;
constexpr std::uint32_t kPong = msg::kApp + 102;

// A window on a thread of its own, running its message loop until kQuit.
class WindowThread {
  public:
    WindowThread(InProcessDesktop& desktop, const std::string& name, WindowProc extra)
        : m_program(desktop.OpenProgram(name)) {
        std::promise<WindowHandle> created;
        m_thread = std::thread([this, name, extra, &created] {
            m_program->RegisterWindowClass(name, "");
            WindowHandle window = m_program->CreateHiddenWindow(
                name, name, [this, extra](WindowHandle w, std::uint32_t m, WParam wp, LParam lp) {
                    if (m == kQuit) {
                        m_program->PostQuit(0);
                        return LParam{0};
                    }
                    return extra(w, m, wp, lp);
                });
            created.set_value(window);
            m_program->RunMessageLoop();
            m_program->DestroyWindow(window);
        });
        m_window = created.get_future().get();
    }
    ~WindowThread() {
        m_program->Post(m_window, kQuit, 0, 0);
        m_thread.join();
    }
    WindowHandle Window() const { return m_window; }
    InProcessDesktop::Program& Program() { return *m_program; }

  private:
    std::unique_ptr<InProcessDesktop::Program> m_program;
    std::thread m_thread;
    WindowHandle m_window = 0;
};

TEST(InProcessDesktop, RegisteredMessagesAreSharedAcrossProgramsIgnoringCase) {
    InProcessDesktop desktop;
    auto a = desktop.OpenProgram("a");
    auto b = desktop.OpenProgram("b");
    std::uint32_t attach = a->RegisterMessage("SkypeControlAPIAttach");
    EXPECT_GE(attach, 0xC000u);
    EXPECT_EQ(b->RegisterMessage("skypecontrolapiattach"), attach);
    EXPECT_NE(b->RegisterMessage("SkypeControlAPIDiscover"), attach);
    EXPECT_EQ(a->RegisterMessage(""), 0u);
}

TEST(InProcessDesktop, SendRunsTheProcedureOnTheOwningThreadAndReturnsItsResult) {
    InProcessDesktop desktop;
    std::thread::id ranOn;
    WindowThread owner(desktop, "owner", [&](WindowHandle, std::uint32_t m, WParam wp, LParam) {
        if (m == kPing) ranOn = std::this_thread::get_id();
        return static_cast<LParam>(wp * 2);
    });
    auto caller = desktop.OpenProgram("caller");
    auto result = caller->Send(owner.Window(), kPing, 21, 0, 1s);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, 42);
    EXPECT_NE(ranOn, std::this_thread::get_id());
}

TEST(InProcessDesktop, SendToAHungWindowGivesUpAndTheCopiedDataOutlivesTheSender) {
    InProcessDesktop desktop;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<void> hanging;
    std::promise<std::string> seen;
    WindowThread hung(desktop, "hung", [&](WindowHandle, std::uint32_t m, WParam, LParam lp) {
        if (m == kPing) {
            hanging.set_value();
            released.wait();  // the window hangs inside a sent message
        }
        if (m == msg::kCopyData) seen.set_value(TextOfCopyData(lp));
        return LParam{1};
    });
    auto caller = desktop.OpenProgram("caller");
    std::thread first([&] { caller->Send(hung.Window(), kPing, 0, 0, 5s); });
    hanging.get_future().wait();
    {
        std::string text = "GET USERSTATUS";
        EXPECT_FALSE(SendText(*caller, hung.Window(), 0, text, 50ms));
        text.assign(text.size(), 'x');  // the sender's buffer is changed, then gone
    }
    release.set_value();
    first.join();
    // The abandoned message is skipped, never read from the sender's memory.
    EXPECT_EQ(seen.get_future().wait_for(200ms), std::future_status::timeout);
}

TEST(InProcessDesktop, TwoThreadsSendingToEachOtherDoNotDeadlock) {
    InProcessDesktop desktop;
    std::unique_ptr<WindowThread> second;
    std::atomic<WindowHandle> secondWindow{0};
    WindowThread first(desktop, "first", [&](WindowHandle, std::uint32_t m, WParam, LParam) {
        if (m != kPing) return LParam{0};
        // While handling a send from `second`'s thread, send back to it.
        auto answer = second->Program().Send(secondWindow.load(), kPong, 0, 0, 1s);
        return answer ? *answer + 1 : LParam{-1};
    });
    second = std::make_unique<WindowThread>(
        desktop, "second", [&](WindowHandle, std::uint32_t m, WParam, LParam) {
            if (m == kPong) return LParam{10};
            if (m == kPing) {
                auto answer = second->Program().Send(first.Window(), kPing, 0, 0, 1s);
                return answer ? *answer : LParam{-1};
            }
            return LParam{0};
        });
    secondWindow = second->Window();
    auto caller = desktop.OpenProgram("caller");
    auto result = caller->Send(second->Window(), kPing, 0, 0, 2s);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, 11);
    second.reset();
}

TEST(InProcessDesktop, SentMessagesGoBeforePostedOnesAndTimersFireRepeatedly) {
    InProcessDesktop desktop;
    auto program = desktop.OpenProgram("p");
    program->RegisterWindowClass("c", "");
    std::vector<std::string> order;
    int ticks = 0;
    WindowHandle window = program->CreateHiddenWindow(
        "c", "t", [&](WindowHandle w, std::uint32_t m, WParam wp, LParam) {
            if (m == kPing) order.push_back(wp ? "sent" : "posted");
            if (m == msg::kTimer && wp == 7 && ++ticks == 3) {
                program->KillTimer(w, 7);
                program->PostQuit(5);
            }
            return LParam{0};
        });
    program->Post(window, kPing, 0, 0);
    std::thread sender([&] { program->Send(window, kPing, 1, 0, 1s); });
    // Give the sent message time to arrive before the loop starts.
    std::this_thread::sleep_for(100ms);
    program->SetTimer(window, 7, 10);
    EXPECT_EQ(program->RunMessageLoop(), 5);
    sender.join();
    ASSERT_EQ(order.size(), 2u);
    EXPECT_EQ(order[0], "sent");
    EXPECT_EQ(order[1], "posted");
    EXPECT_EQ(ticks, 3);
    EXPECT_TRUE(program->DestroyWindow(window));
}

TEST(InProcessDesktop, BroadcastReachesEveryWindowAndFindWindowMatchesClassAndTitle) {
    InProcessDesktop desktop;
    std::atomic<int> reached{0};
    auto count = [&](WindowHandle, std::uint32_t m, WParam wp, LParam) {
        if (m == kPing && wp == 9) ++reached;
        return LParam{0};
    };
    WindowThread one(desktop, "one", count);
    WindowThread two(desktop, "two", count);
    auto caller = desktop.OpenProgram("caller");
    caller->Broadcast(kPing, 9, 0, 1s);
    EXPECT_EQ(reached.load(), 2);

    std::string title = "two";
    std::string other = "other";
    EXPECT_EQ(caller->FindTopLevelWindow("two", &title), two.Window());
    EXPECT_EQ(caller->FindTopLevelWindow("two", nullptr), two.Window());
    EXPECT_EQ(caller->FindTopLevelWindow("two", &other), 0u);
    EXPECT_TRUE(caller->IsWindow(one.Window()));
    EXPECT_FALSE(caller->DestroyWindow(one.Window())) << "only the owning thread may destroy";
}

TEST(InProcessDesktop, AWindowNeedsARegisteredClassAndIsGoneAfterDestroy) {
    InProcessDesktop desktop;
    auto program = desktop.OpenProgram("p");
    EXPECT_EQ(program->CreateHiddenWindow("missing", "t", nullptr), 0u);
    ASSERT_TRUE(program->RegisterWindowClass("c", ""));
    EXPECT_FALSE(program->RegisterWindowClass("c", ""));
    bool destroyed = false;
    WindowHandle window =
        program->CreateHiddenWindow("c", "t", [&](WindowHandle, std::uint32_t m, WParam, LParam) {
            destroyed |= m == msg::kDestroy;
            return LParam{0};
        });
    ASSERT_NE(window, 0u);
    EXPECT_TRUE(program->DestroyWindow(window));
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(program->IsWindow(window));
    EXPECT_FALSE(program->Send(window, kPing, 0, 0, 10ms).has_value());
    EXPECT_FALSE(program->Post(window, kPing, 0, 0));
}

// A program's window tree made on the test's thread: every window records the
// messages it gets.
class Tree {
  public:
    explicit Tree(InProcessDesktop& desktop) : program(desktop.OpenProgram("tree")) {
        program->RegisterWindowClass("top", "");
        program->RegisterWindowClass("child", "");
    }
    WindowHandle Top(const std::string& title) {
        return program->CreateHiddenWindow("top", title, Recorder(title));
    }
    WindowHandle Child(WindowHandle parent, const std::string& name) {
        WindowHandle window = program->CreateChildWindow(parent, "child", Recorder(name));
        names[window] = name;
        return window;
    }
    WindowProc Recorder(const std::string& name) {
        return [this, name](WindowHandle, std::uint32_t m, WParam wp, LParam lp) {
            heard.push_back({name, m, wp, lp});
            return LParam{0};
        };
    }
    struct Heard {
        std::string window;
        std::uint32_t message;
        WParam wParam;
        LParam lParam;
    };
    std::vector<std::string> WindowsThatHeard(std::uint32_t message) const {
        std::vector<std::string> windows;
        for (const auto& entry : heard) {
            if (entry.message == message) windows.push_back(entry.window);
        }
        return windows;
    }
    // Runs what was posted to the tree's windows.
    void Drain() {
        program->PostQuit(0);
        program->RunMessageLoop();
    }

    std::unique_ptr<InProcessDesktop::Program> program;
    std::map<WindowHandle, std::string> names;
    std::vector<Heard> heard;
};

TEST(InProcessDesktop, ChildrenAreEnumeratedDepthFirstAndNeverFoundAsTopLevelWindows) {
    InProcessDesktop desktop;
    Tree tree(desktop);
    WindowHandle top = tree.Top("main");
    WindowHandle a = tree.Child(top, "a");
    tree.Child(a, "a1");
    WindowHandle b = tree.Child(top, "b");
    tree.Child(a, "a2");  // made after b, still listed under a
    tree.Child(b, "b1");

    std::vector<std::string> order;
    for (const auto& child : tree.program->ChildWindows(top)) {
        EXPECT_EQ(child.className, "child");
        order.push_back(tree.names[child.window]);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"a", "a1", "a2", "b", "b1"}));
    EXPECT_EQ(tree.program->ChildWindows(b).size(), 1u);
    EXPECT_TRUE(tree.program->ChildWindows(0).empty());

    EXPECT_EQ(tree.program->FindTopLevelWindow("child", nullptr), 0u);
    std::string untitled;
    EXPECT_EQ(tree.program->FindTopLevelWindow("child", &untitled), 0u);
    EXPECT_EQ(tree.program->FindTopLevelWindow("top", nullptr), top);
    EXPECT_EQ(tree.program->CreateChildWindow(0x7FFF0, "child", nullptr), 0u)
        << "no child of a window that does not exist";
}

TEST(InProcessDesktop, AWindowIsVisibleOnlyWhileItAndEveryAncestorAreShown) {
    InProcessDesktop desktop;
    Tree tree(desktop);
    WindowHandle top = tree.Top("main");
    WindowHandle middle = tree.Child(top, "middle");
    WindowHandle leaf = tree.Child(middle, "leaf");
    auto& p = *tree.program;
    EXPECT_FALSE(p.IsWindowVisible(leaf)) << "windows start hidden";
    p.ShowWindow(leaf, true);
    p.ShowWindow(middle, true);
    EXPECT_FALSE(p.IsWindowVisible(leaf)) << "the top window is hidden";
    p.ShowWindow(top, true);
    EXPECT_TRUE(p.IsWindowVisible(leaf));
    p.ShowWindow(middle, false);
    EXPECT_FALSE(p.IsWindowVisible(leaf));
    EXPECT_TRUE(p.IsWindowVisible(top));
    EXPECT_FALSE(p.IsWindowVisible(0));
}

TEST(InProcessDesktop, InjectedKeysReachTheFocusedWindowWithTheirScanCode) {
    InProcessDesktop desktop;
    Tree tree(desktop);
    WindowHandle top = tree.Top("main");
    WindowHandle field = tree.Child(top, "field");
    WindowHandle other = tree.Child(top, "other");
    auto& p = *tree.program;
    p.InjectKey(0x31, 1, false);  // nobody has the focus: lost
    p.SetFocus(field);
    EXPECT_EQ(desktop.FocusWindow(), field);
    p.InjectKey(0x33, 3, false);
    p.InjectKey(0x33, 3, true);
    p.SetFocus(other);
    p.InjectKey(0x08, 0x08, false);
    tree.Drain();

    ASSERT_EQ(tree.heard.size(), 3u);
    EXPECT_EQ(tree.heard[0].window, "field");
    EXPECT_EQ(tree.heard[0].message, msg::kKeyDown);
    EXPECT_EQ(tree.heard[0].wParam, 0x33u);
    EXPECT_EQ((tree.heard[0].lParam >> 16) & 0xFF, 3);
    EXPECT_EQ(tree.heard[0].lParam & 0xFFFF, 1) << "repeat count";
    EXPECT_EQ(tree.heard[1].message, msg::kKeyUp);
    EXPECT_EQ((tree.heard[1].lParam >> 16) & 0xFF, 3);
    EXPECT_EQ(tree.heard[2].window, "other");
    EXPECT_EQ(tree.heard[2].wParam, 0x08u);

    EXPECT_TRUE(p.DestroyWindow(other));
    EXPECT_EQ(desktop.FocusWindow(), 0u) << "a destroyed window loses the focus";
}

TEST(InProcessDesktop, DestroyTellsTheWindowFirstThenTakesEveryDescendantAlong) {
    InProcessDesktop desktop;
    Tree tree(desktop);
    WindowHandle top = tree.Top("main");
    WindowHandle a = tree.Child(top, "a");
    WindowHandle a1 = tree.Child(a, "a1");
    WindowHandle b = tree.Child(top, "b");
    // A child made by another program's thread goes along too.
    std::atomic<WindowHandle> foreign{0};
    std::atomic<bool> foreignHeard{false};
    WindowThread other(desktop, "other", [&](WindowHandle, std::uint32_t m, WParam wp, LParam) {
        if (m == kPing) {
            InProcessDesktop::Program& p = *tree.program;
            p.RegisterWindowClass("child", "");
            foreign = p.CreateChildWindow(
                wp, "child", [&](WindowHandle, std::uint32_t message, WParam, LParam) {
                    foreignHeard = foreignHeard || message == msg::kDestroy;
                    return LParam{0};
                });
        }
        return LParam{0};
    });
    ASSERT_TRUE(tree.program->Send(other.Window(), kPing, b, 0, 1s));
    ASSERT_NE(foreign.load(), 0u);
    tree.program->SetFocus(a1);

    EXPECT_TRUE(tree.program->DestroyWindow(top));
    EXPECT_EQ(tree.WindowsThatHeard(msg::kDestroy),
              (std::vector<std::string>{"main", "a", "a1", "b"}));
    EXPECT_TRUE(foreignHeard);
    for (WindowHandle window : {top, a, a1, b, foreign.load()}) {
        EXPECT_FALSE(tree.program->IsWindow(window));
    }
    EXPECT_EQ(desktop.FocusWindow(), 0u);
}

TEST(InProcessDesktop, RequestsToAnotherProgramsWindowArePostedAndTheTabIsAsked) {
    InProcessDesktop desktop;
    std::vector<std::pair<std::uint32_t, WParam>> posted;
    std::vector<LParam> positions;
    std::promise<void> done;
    WindowThread tabs(desktop, "tabs", [&](WindowHandle, std::uint32_t m, WParam wp, LParam lp) {
        if (m == msg::kTabGetCurSel) return LParam{2};
        if (m == kPong) {
            done.set_value();
            return LParam{0};
        }
        posted.push_back({m, wp});
        if (m == msg::kLeftButtonDown || m == msg::kLeftButtonUp) positions.push_back(lp);
        return LParam{0};
    });
    auto caller = desktop.OpenProgram("caller");
    EXPECT_EQ(caller->SelectedTab(tabs.Window()), 2);
    EXPECT_EQ(caller->SelectedTab(0), -1);
    EXPECT_EQ(caller->SelectedTab(0x7FFF0), -1) << "no such window";

    caller->PostClick(tabs.Window(), 56, 11);
    caller->PostClose(tabs.Window());
    caller->PostSystemCommand(tabs.Window(), Desktop::kMaximize);
    caller->PostClickActivate(tabs.Window());
    caller->Post(tabs.Window(), kPong, 0, 0);
    ASSERT_EQ(done.get_future().wait_for(2s), std::future_status::ready);
    using Message = std::pair<std::uint32_t, WParam>;
    EXPECT_EQ(posted, (std::vector<Message>{{msg::kLeftButtonDown, kLeftButtonFlag},
                                            {msg::kLeftButtonUp, 0},
                                            {msg::kClose, 0},
                                            {msg::kSysCommand, 0xF030},
                                            {msg::kActivate, kClickActive}}));
    EXPECT_EQ(positions, (std::vector<LParam>{ClientPosition(56, 11), ClientPosition(56, 11)}));
    EXPECT_EQ(positions[0], (11 << 16) | 56);

    caller->BringToForeground(tabs.Window());
    EXPECT_EQ(caller->ForegroundWindow(), tabs.Window());
}

TEST(InProcessDesktop, AWindowMadeWithoutAProcedureTakesMessagesQuietly) {
    InProcessDesktop desktop;
    auto program = desktop.OpenProgram("p");
    program->RegisterWindowClass("c", "");
    WindowHandle window = program->CreateHiddenWindow("c", "t", nullptr);
    ASSERT_NE(window, 0u);
    EXPECT_EQ(program->Send(window, kPing, 0, 0, 10ms), LParam{0});
    EXPECT_TRUE(program->DestroyWindow(window));
}

}  // namespace
}  // namespace kestrava
