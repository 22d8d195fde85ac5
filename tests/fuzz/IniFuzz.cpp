// The INI reader and the engine's configuration: any bytes as the file.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "FuzzRig.h"
#include "platform/Paths.h"
#include "protocol/CSkypeEngine.h"
#include "protocol/IniFile.h"
#include "support/Fakes.h"

namespace kestrava::fuzz {
namespace {

// One engine for the whole run, reading from its own temporary folder.
struct Configuration {
    Configuration() {
        SetPauseHook(&NoPause);
        // A long folder name, so icon paths built from it reach the getters' buffer size.
        folder.Create("kestrava-fuzz-ini-" + std::string(120, 'f'));
        shell.moduleDirectory = folder.Path().string() + kPathSeparator;
        engine = std::make_unique<CSkypeEngine>(shell, windows, links, dispatcher,
                                                CSkypeEngine::kSendTimeout, NoEngineThreads());
    }
    TempFolder folder;
    ShellState shell;
    testing::RecordingWindowSystem windows;
    ::testing::NiceMock<testing::MockLinkCollaborators> links;
    ::testing::NiceMock<testing::MockDispatcher> dispatcher;
    std::unique_ptr<CSkypeEngine> engine;
};

void ReadTexts(CSkypeEngine& engine) {
    char text[CSkypeEngine::kTextBufferSize];
    engine.GetApiWindowName(text);
    engine.GetIconFileNoHW(text);
    engine.GetIconFileNoSkype(text);
    engine.GetIconFileActive(text);
    engine.GetCustomerInfo(text);
    int reg04 = 0, reg1C = 0;
    engine.GetCodecRegisterDefaults(&reg04, &reg1C);
    testing::NullDialogHost dialogs;
    engine.FillRingList(dialogs, 0, 1);
}

}  // namespace
}  // namespace kestrava::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kestrava;
    static fuzz::Configuration config;
    std::string text(reinterpret_cast<const char*>(data), size);

    IniFile ini;
    ini.LoadFromText(text);
    for (const char* section : {"SYSTEM", "name", "RINGS", ""}) {
        for (const char* key : {"SupportSky", "APINAME", "NUMOFRINGS", "RING_1", ""}) {
            ini.GetInt(section, key, -3);
            ini.GetText(section, key);
        }
    }

    {
        std::ofstream(config.folder.Path() / "Pellanor.ini", std::ios::binary | std::ios::trunc)
            << text;
    }
    int flags[10] = {};
    config.engine->LoadConfiguration(config.shell.moduleDirectory.c_str(), &flags[0], &flags[1],
                                     &flags[2], &flags[3], &flags[4], &flags[5], &flags[6],
                                     &flags[7], &flags[8], &flags[9]);
    fuzz::ReadTexts(*config.engine);
    return 0;
}
