// The in-process desktop must behave like the Windows desktop wherever the
// program depends on it: thread ownership, bounded sends, copies of
// WM_COPYDATA, message order and timers.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
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

}  // namespace
}  // namespace kestrava
