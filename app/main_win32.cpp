// Kestrava on Windows: a windowed program without a visible window.
#include <windows.h>

#include "app/Application.h"
#include "platform/win32/Win32DialogHost.h"
#include "platform/win32/Win32Tray.h"
#include "platform/win32/Win32WindowSystem.h"

using namespace kestrava;

// Built before the entry point runs: the HID library is loaded at once.
static CDeviceLibrary g_DeviceLibrary(SystemModuleLoader(), SystemShell());

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    Win32WindowSystem windows;
    Win32DialogHost dialogs;
    Win32NotifyArea tray;
    Win32ResourceStrings strings;
    Platform platform{windows, windows,          SystemModuleLoader(), SystemShell(),
                      dialogs, SystemRegistry(), SystemAudioSystem(),  tray,
                      strings};
    platform.endpoints = &SystemAudioEndpoints();
    Application application(platform, g_DeviceLibrary);
    return application.Run();
}
