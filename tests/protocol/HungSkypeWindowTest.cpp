// A hung Skype window must never freeze the sender or the engine's shutdown.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>

#include "Fakes.h"
#include "platform/posix/InProcessDesktop.h"
#include "protocol/CSkypeEngine.h"

namespace kestrava::testing {
namespace {

using namespace std::chrono_literals;

TEST(HungSkypeWindow, TheSenderGivesUpAndShutdownDoesNotWaitForIt) {
    InProcessDesktop desktop;
    auto kestrava = desktop.OpenProgram("Kestrava");
    auto skype = desktop.OpenProgram("Skype");

    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> received{0};
    std::promise<WindowHandle> created;
    std::thread skypeThread([&] {
        skype->RegisterWindowClass("api", "");
        WindowHandle window = skype->CreateHiddenWindow(
            "api", "api", [&](WindowHandle, std::uint32_t message, WParam, LParam) {
                if (message == msg::kCopyData) {
                    ++received;
                    released.wait();  // hung
                }
                if (message == msg::kClose) skype->PostQuit(0);
                return LParam{1};
            });
        created.set_value(window);
        skype->RunMessageLoop();
    });
    WindowHandle skypeWindow = created.get_future().get();

    ShellState shell;
    shell.mainWindow = 0x1;
    shell.skypeApiWindow = skypeWindow;
    ::testing::NiceMock<MockLinkCollaborators> links;
    ::testing::NiceMock<MockDispatcher> dispatcher;
    auto engine = std::make_unique<CSkypeEngine>(shell, *kestrava, links, dispatcher, 100ms);
    engine->EnqueueOutgoing("PING");
    engine->EnqueueOutgoing("GET USERSTATUS");
    while (received == 0) std::this_thread::sleep_for(1ms);

    // The window stays hung until after the engine is gone: a shutdown that
    // waited for it would never end.
    auto shutdown = std::async(std::launch::async, [&] { engine.reset(); });
    EXPECT_EQ(shutdown.wait_for(10s), std::future_status::ready)
        << "shutdown waited for the hung window";
    EXPECT_EQ(received.load(), 1) << "the second command went out after the first was not taken";

    release.set_value();
    skype->Post(skypeWindow, msg::kClose, 0, 0);
    skypeThread.join();
}

}  // namespace
}  // namespace kestrava::testing
