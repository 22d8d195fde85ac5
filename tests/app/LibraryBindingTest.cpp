// Loading the two component libraries: what the user is told when one is
// missing or broken, and how the components are wired when all is well.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Fakes.h"
#include "app/RendererBinding.h"
#include "handset/CDeviceLibrary.h"
#include "protocol/CSkypeEngine.h"

namespace kestrava::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::InSequence;
using ::testing::NiceMock;
using ::testing::Return;

int CreateNothing(void**) {
    return 0;
}
int g_deleted = 0;
int DeleteRecorded(void**) {
    ++g_deleted;
    return 1;
}
int DeleteRefused(void**) {
    return 0;
}

void* Fn(int (*function)(void**)) {
    return reinterpret_cast<void*>(function);
}

class LibraryBindingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_fakeDevice = &device;
        g_fakeRenderer = &renderer;
        g_deleted = 0;
    }
    FakeModuleLoader loader;
    RecordingShell shell;
    NiceMock<MockHidDevice> device;
    NiceMock<MockLcdRenderer> renderer;
};

TEST_F(LibraryBindingTest, EachWayTheHidLibraryCanFailHasItsOwnMessage) {
    {
        CDeviceLibrary missing(loader, shell);
        EXPECT_EQ(missing.Device(), nullptr);
        EXPECT_FALSE(missing.Reconnect());
        EXPECT_FALSE(missing.StartInput(0x10));
        EXPECT_TRUE(missing.SendCommand(0x07)) << "sending a command always counts as done";
    }
    loader.Add("Ondrel.dll", {nullptr, nullptr});
    { CDeviceLibrary noExport(loader, shell); }
    loader.Add("Ondrel.dll", {Fn(&CreateNothing), nullptr});
    { CDeviceLibrary refused(loader, shell); }
    EXPECT_THAT(shell.Boxes(),
                ElementsAre("CreateInstance: Failed to load module - Ondrel.dll",
                            "CreateDLLInstance: Failed to Get API - CreateComponentInstance",
                            "CreateDLLInstance: Failed to create instance in module - Ondrel.dll"));
    EXPECT_EQ(loader.frees.load(), loader.loads.load()) << "a failed load lets the module go";
}

TEST_F(LibraryBindingTest, TheDeviceLibraryForwardsReleasesAndDeletesTheHandsetAtTheEnd) {
    loader.Add("Ondrel.dll", {Fn(&CreateFakeDevice), Fn(&DeleteRecorded)});
    EXPECT_CALL(device, Reconnect()).WillOnce(Return(S_OK));
    EXPECT_CALL(device, QRV_SetMixerRegControl(0x0E, 0x80, 0x48)).WillOnce(Return(S_OK));
    EXPECT_CALL(device, Release()).Times(1);
    {
        CDeviceLibrary library(loader, shell);
        ASSERT_EQ(library.Device(), &device);
        EXPECT_TRUE(library.Reconnect());
        library.m_bSupportAGC = 1;
        EXPECT_TRUE(library.ApplyAgc());
    }
    EXPECT_TRUE(shell.Boxes().empty());
    EXPECT_EQ(g_deleted, 1) << "the component goes before its module";
    EXPECT_EQ(loader.frees.load(), 1);
}

TEST_F(LibraryBindingTest, ShortReportsAreDroppedAndFlushingDiscardsTheQueue) {
    loader.Add("Ondrel.dll", {Fn(&CreateFakeDevice), nullptr});
    CDeviceLibrary library(loader, shell);
    library.QueueReport(0x00001F00, 0xFFFFFFFF);
    EXPECT_EQ(library.QueuedReports(), 0u);
    library.QueueReport(0x00001F00, 0);
    library.QueueReport(0x00002001, 0);
    EXPECT_EQ(library.QueuedReports(), 2u);
    library.FlushInput();
    EXPECT_EQ(library.QueuedReports(), 0u);
}

class RendererBindingTest : public LibraryBindingTest {
  protected:
    void SetUp() override {
        LibraryBindingTest::SetUp();
        loader.Add("Ondrel.dll", {Fn(&CreateFakeDevice), nullptr});
        library = std::make_unique<CDeviceLibrary>(loader, shell);
        engine = std::make_unique<CSkypeEngine>(state, windows, links, dispatcher);
    }
    void TearDown() override {
        engine.reset();
        library.reset();
    }
    ShellState state;
    RecordingWindowSystem windows;
    NiceMock<MockLinkCollaborators> links;
    NiceMock<MockDispatcher> dispatcher;
    std::unique_ptr<CDeviceLibrary> library;
    std::unique_ptr<CSkypeEngine> engine;
};

TEST_F(RendererBindingTest, ABoundRendererIsWiredToTheHandsetAndGoneAfterUnbinding) {
    loader.Add("Glyvar.dll", {Fn(&CreateFakeRenderer), Fn(&DeleteRecorded)});
    library->m_bSupportARF = 1;
    {
        InSequence order;
        EXPECT_CALL(renderer, SetDevice(&device));
        EXPECT_CALL(device, AttachRenderer(&renderer));
        EXPECT_CALL(renderer, SetArfSupport(1));
        EXPECT_CALL(device, SetArfSupport(1));
    }
    RendererBinding binding(loader, shell);
    ASSERT_TRUE(binding.Bind(*library, *engine, 1));
    EXPECT_EQ(binding.Renderer(), &renderer);
    EXPECT_TRUE(binding.DeleteRenderer());
    EXPECT_EQ(g_deleted, 1);
    EXPECT_EQ(binding.Renderer(), nullptr);
    binding.UnloadModule();
    EXPECT_TRUE(shell.Boxes().empty());
}

TEST_F(RendererBindingTest, EachWayTheRenderingLibraryCanFailHasItsOwnMessage) {
    RendererBinding missing(loader, shell);
    EXPECT_FALSE(missing.Bind(*library, *engine, 0));
    loader.Add("Glyvar.dll", {nullptr, nullptr});
    RendererBinding noExport(loader, shell);
    EXPECT_FALSE(noExport.Bind(*library, *engine, 0));
    loader.Add("Glyvar.dll", {Fn(&CreateNothing), nullptr});
    RendererBinding refused(loader, shell);
    EXPECT_FALSE(refused.Bind(*library, *engine, 0));
    loader.Add("Glyvar.dll", {Fn(&CreateFakeRenderer), nullptr});
    RendererBinding noDelete(loader, shell);
    ASSERT_TRUE(noDelete.Bind(*library, *engine, 0));
    EXPECT_FALSE(noDelete.DeleteRenderer());
    loader.Add("Glyvar.dll", {Fn(&CreateFakeRenderer), Fn(&DeleteRefused)});
    RendererBinding deleteRefused(loader, shell);
    ASSERT_TRUE(deleteRefused.Bind(*library, *engine, 0));
    EXPECT_FALSE(deleteRefused.DeleteRenderer());
    EXPECT_THAT(shell.Boxes(),
                ElementsAre("CreateInstance: Failed to load module - Glyvar.dll",
                            "CreateInstance: Failed to Get API - CreateComponentInstance",
                            "CreateInstance: Failed to create instance in module - Glyvar.dll",
                            "DeleteInstance: Failed to Get API - DeleteComponentInstance",
                            "DeleteInstance: Failed to delete instance in module - Glyvar.DLL"));
}

}  // namespace
}  // namespace kestrava::testing
