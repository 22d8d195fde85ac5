// The adapters of the running system, bundled for the program's start-up.
#pragma once

#include "AudioEndpoints.h"
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
    // The system's audio endpoints; null (or none listed) on a system without them.
    AudioEndpoints* endpoints = nullptr;
};

// The adapters of the system this program was built for (process-wide, built on first use).
ModuleLoader& SystemModuleLoader();
Shell& SystemShell();
// The system's mixer and wave devices (winmm on Windows; elsewhere a system
// without audio devices: simulation mode and tests configure their own).
AudioSystem& SystemAudioSystem();
// The system's audio endpoints (the endpoint interfaces on Windows, which
// list none on a system that predates them; elsewhere none).
AudioEndpoints& SystemAudioEndpoints();
// The current user's registry: the system's own on Windows, a file in the
// user's configuration folder elsewhere.
Registry& SystemRegistry();

}  // namespace kestrava
