// Starting the Skype client: the path its installer stored first, the usual
// install path only when that cannot be read.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

#include "Fakes.h"
#include "app/SkypeLauncher.h"
#include "platform/MemoryRegistry.h"

namespace kestrava::testing {
namespace {

using ::testing::ElementsAre;

TEST(SkypeLauncherTest, TheStoredPathFirstTheDefaultOnlyWhenItCannotBeRead) {
    const std::string defaultStart = std::string(SkypeLauncher::kDefaultPath) + " owner 4660";
    struct Case {
        const char* what;
        bool key;
        std::optional<std::string> path;
        bool fromRegistry;
        std::vector<std::string> opened;
    } cases[] = {
        {"stored path",
         true,
         "D:\\Apps\\Skype\\Skype.exe",
         true,
         {"D:\\Apps\\Skype\\Skype.exe owner 4660"}},
        // The start of a stored path is not checked: the default is not tried.
        {"stored path of a removed client",
         true,
         "C:\\Gone\\Skype.exe",
         true,
         {"C:\\Gone\\Skype.exe owner 4660"}},
        {"no key", false, std::nullopt, false, {defaultStart}},
        {"key without the value", true, std::nullopt, false, {defaultStart}},
        // 254 bytes and the terminating zero fill the 255-byte buffer.
        {"longest path that fits",
         true,
         std::string(254, 'p'),
         true,
         {std::string(254, 'p') + " owner 4660"}},
        {"path too long for the buffer", true, std::string(255, 'p'), false, {defaultStart}},
    };
    for (const Case& c : cases) {
        MemoryRegistry registry;
        RecordingShell shell;
        if (c.key) {
            Registry::Key key = registry.CreateUserKey(SkypeLauncher::kPathKey);
            if (c.path) registry.WriteString(key, SkypeLauncher::kPathValue, *c.path);
            registry.CloseKey(key);
        }
        SkypeLauncher launcher(registry, shell);
        launcher.StartSkypeClient(0x1234);
        EXPECT_EQ(shell.Opened(), c.opened) << c.what;

        RecordingShell direct;
        SkypeLauncher again(registry, direct);
        EXPECT_EQ(again.LaunchSkypeFromRegistry(0x1234), c.fromRegistry) << c.what;
        EXPECT_EQ(direct.Opened().size(), c.fromRegistry ? 1u : 0u) << c.what;
    }
}

// The client's key may allow the user to read only: a key that cannot be
// opened for writing still gives the stored path.
class ReadOnlyRegistry : public MemoryRegistry {
  public:
    Key OpenUserKey(const std::string&) override { return 0; }
    Key CreateUserKey(const std::string&) override { return 0; }
};

TEST(SkypeLauncherTest, AKeyTheUserMayOnlyReadGivesThePath) {
    ReadOnlyRegistry registry;
    Registry::Key key = registry.MemoryRegistry::CreateUserKey(SkypeLauncher::kPathKey);
    registry.WriteString(key, SkypeLauncher::kPathValue, "D:\\Apps\\Skype\\Skype.exe");
    registry.CloseKey(key);
    RecordingShell shell;
    SkypeLauncher launcher(registry, shell);
    launcher.StartSkypeClient(0x1234);
    EXPECT_THAT(shell.Opened(), ElementsAre("D:\\Apps\\Skype\\Skype.exe owner 4660"));
}

}  // namespace
}  // namespace kestrava::testing
