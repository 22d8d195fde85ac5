// An engine wired to a recording window system and mocked collaborators,
// with pauses recorded instead of slept.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "Fakes.h"
#include "platform/Pause.h"
#include "protocol/CSkypeEngine.h"

namespace kestrava::testing {

inline std::atomic<long> g_pausedMs{0};
inline void RecordPause(std::chrono::milliseconds duration) {
    g_pausedMs += duration.count();
}

class EngineTest : public ::testing::Test {
  protected:
    static constexpr WindowHandle kMainWindow = 0x100;
    static constexpr WindowHandle kSkypeWindow = 0x200;

    void SetUp() override {
        g_pausedMs = 0;
        SetPauseHook(&RecordPause);
        shell.mainWindow = kMainWindow;
        shell.skypeApiWindow = kSkypeWindow;
        shell.discoverMessage = windows.RegisterMessage("SkypeControlAPIDiscover");
        using ::testing::_;
        using ::testing::Return;
        ON_CALL(links, CurrentCallId()).WillByDefault(Return(0));
        ON_CALL(links, CurrentCallStatus()).WillByDefault(Return(-1));
        EXPECT_CALL(links, CurrentCallId()).Times(::testing::AnyNumber());
        EXPECT_CALL(links, CurrentCallStatus()).Times(::testing::AnyNumber());
        EXPECT_CALL(dispatcher, WatchSkypeDialogs(_)).Times(::testing::AnyNumber());
        engine = std::make_unique<CSkypeEngine>(shell, windows, links, dispatcher);
    }

    void TearDown() override {
        engine.reset();
        SetPauseHook(nullptr);
    }

    void RunAction(int action) {
        engine->SetApiAction(action);
        engine->StartApiThread();
    }

    ShellState shell;
    RecordingWindowSystem windows;
    ::testing::NiceMock<MockLinkCollaborators> links;
    ::testing::NiceMock<MockDispatcher> dispatcher;
    std::unique_ptr<CSkypeEngine> engine;
};

}  // namespace kestrava::testing
