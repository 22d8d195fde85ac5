// The adapters of the running system, bundled for the program's start-up.
#pragma once

#include "AudioSystem.h"
#include "Desktop.h"
#include "DialogHost.h"
#include "ModuleLoader.h"
#include "NotifyArea.h"
#include "Registry.h"
#include "ResourceStrings.h"
#include "Shell.h"
#include "WindowSystem.h"

namespace kestrava {

struct Platform {
    WindowSystem& windows;
    Desktop& desktop;
    ModuleLoader& modules;
    Shell& shell;
    DialogHost& dialogs;
    Registry& registry;
    AudioSystem& audio;
    NotifyArea& tray;
    ResourceStrings& strings;
};

// The adapters of the system this program was built for (process-wide, built on first use).
ModuleLoader& SystemModuleLoader();
Shell& SystemShell();

}  // namespace kestrava
