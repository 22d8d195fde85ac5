// Writing the pending stream to the handset: retries, pauses, stop requests.
#include <gtest/gtest.h>

#include <condition_variable>
#include <thread>

#include "FontlibTestSupport.h"

namespace {

class TransferTest : public ::testing::Test {
  protected:
    void SetUp() override { renderer.SetDevice(&device); }

    PauseRecorder pauses;
    RecordingDevice device;
    CLcdRendererImpl renderer{pauses.Function()};
};

TEST_F(TransferTest, NothingRenderedFailsWithoutWriting) {
    EXPECT_EQ(renderer.SendRendered(), E_FAIL);
    ASSERT_EQ(renderer.RenderText("Ab"), S_OK);
    EXPECT_EQ(renderer.SendRendered(), S_OK);
    EXPECT_EQ(renderer.SendRendered(), E_FAIL) << "a stream is sent once";
    EXPECT_EQ(device.Attempts(), 3);
}

TEST_F(TransferTest, WithoutADeviceNothingIsSentAndTheStreamWaits) {
    CLcdRendererImpl unwired{pauses.Function()};
    ASSERT_EQ(unwired.RenderText("Ab"), S_OK);
    EXPECT_EQ(unwired.SendRendered(), E_FAIL);
    EXPECT_TRUE(unwired.HasPendingStream());
}

TEST_F(TransferTest, FinishedTransferWaitsOnceAndPacesUnitsOnlyBehindAHub) {
    ASSERT_EQ(renderer.RenderText("abc"), S_OK);
    ASSERT_EQ(renderer.SendRendered(), S_OK);
    EXPECT_EQ(pauses.Count(300), 1);
    EXPECT_EQ(pauses.Count(3), 0);

    renderer.SetPortStatus(1);
    ASSERT_EQ(renderer.RenderText("abc"), S_OK);
    ASSERT_EQ(renderer.SendRendered(), S_OK);
    EXPECT_EQ(pauses.Count(3), 4);
}

TEST_F(TransferTest, FailedWritesAreRetriedThreeTimesWithTraceLines) {
    // Unit 1 succeeds at its third attempt; unit 2 never gets through.
    int stopFailingAfter = 8;  // attempts 4..7 are unit 2's four tries
    device.failWrite = [stopFailingAfter](int attempt) {
        return attempt == 1 || attempt == 2 || (attempt >= 4 && attempt < stopFailingAfter);
    };
    ASSERT_EQ(renderer.RenderText("ab"), S_OK);  // begin text, a, b
    testing::internal::CaptureStdout();
    const HResult result = renderer.SendRendered();
    const std::string trace = testing::internal::GetCapturedStdout();

    EXPECT_EQ(result, E_FAIL) << "a unit that never got through is a failed transfer";
    EXPECT_EQ(device.Attempts(), 1 + 3 + 4);
    EXPECT_EQ(device.Written(), (std::vector<Unit>{{0x70, 0x0A}, {'a', 0x00}}));
    EXPECT_EQ(trace,
              " Faile to send data .....(1).\n Faile to send data .....(2).\n"
              " Faile to send data .....(1).\n Faile to send data .....(2).\n"
              " Faile to send data .....(3).\n");
    EXPECT_EQ(pauses.Count(15), 2 + 3);
    EXPECT_EQ(pauses.Count(1), 1);
    EXPECT_EQ(pauses.Count(300), 1);
}

TEST_F(TransferTest, EmptyTextAfterARenderingSendsTheFallbackText) {
    ASSERT_EQ(renderer.RenderText("pending"), S_OK);
    EXPECT_EQ(renderer.RenderText(""), E_FAIL);
    EXPECT_EQ(renderer.PendingUnitCount(), 0);
    EXPECT_EQ(renderer.SendRendered(), E_FAIL);
    const auto units = device.Written();
    ASSERT_EQ(units.size(), 16u);
    EXPECT_EQ(units[0], (Unit{0x70, 0x0A}));
    const auto values = DataValues(units);
    EXPECT_EQ(std::string(values.begin(), values.end()), "Unknown User...");
    EXPECT_EQ(units[15].control, 0x00);
    EXPECT_EQ(units[14].control, 0x05);
    EXPECT_FALSE(renderer.HasPendingStream());
}

TEST_F(TransferTest, StopRequestedBeforeTheTransferHasNoEffect) {
    renderer.SetAbort(1);
    ASSERT_EQ(renderer.RenderText("abc"), S_OK);
    EXPECT_EQ(renderer.SendRendered(), S_OK);
    EXPECT_EQ(device.Written().size(), 4u);
}

// Another thread stops the transfer while unit 10 is being written.
TEST_F(TransferTest, StopFromAnotherThreadEndsTheTransferAfterTheUnitInProgress) {
    std::mutex lock;
    std::condition_variable changed;
    bool atUnit10 = false, stopSent = false;
    device.afterWrite = [&](int attempt) {
        if (attempt != 10) return;
        std::unique_lock guard(lock);
        atUnit10 = true;
        changed.notify_all();
        changed.wait(guard, [&] { return stopSent; });
    };
    std::thread stopper([&] {
        std::unique_lock guard(lock);
        changed.wait(guard, [&] { return atUnit10; });
        renderer.SetAbort(1);
        stopSent = true;
        changed.notify_all();
    });

    ASSERT_EQ(renderer.RenderText(std::string(30, 'x').c_str()), S_OK);
    const HResult result = renderer.SendRendered();
    stopper.join();

    EXPECT_EQ(result, 1);
    EXPECT_EQ(device.Written().size(), 11u);
    EXPECT_EQ(pauses.Count(300), 0);
    EXPECT_FALSE(renderer.HasPendingStream());

    // The flag was cleared: the next transfer runs to its end.
    device.afterWrite = nullptr;
    ASSERT_EQ(renderer.RenderText("ok"), S_OK);
    EXPECT_EQ(renderer.SendRendered(), S_OK);
}

TEST_F(TransferTest, StopDuringTheFallbackTextReturnsStopped) {
    device.afterWrite = [this](int attempt) {
        if (attempt == 3) renderer.SetAbort(1);
    };
    ASSERT_EQ(renderer.RenderText("x"), S_OK);
    renderer.RenderText("");
    EXPECT_EQ(renderer.SendRendered(), 1);
    EXPECT_EQ(device.Written().size(), 4u);
}

}  // namespace
