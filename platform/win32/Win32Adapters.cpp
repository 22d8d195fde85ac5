#include "Win32Adapters.h"

#include <windows.h>

#include "Win32Registry.h"
// After windows.h, whose types it uses.
#include <mmsystem.h>
#include <shellapi.h>

#include "WideText.h"
#include "Win32AudioEndpoints.h"
#include "Win32AudioSystem.h"
#include "platform/Pause.h"
#include "platform/Platform.h"

namespace kestrava {

ModuleLoader::Module Win32ModuleLoader::Load(const std::string& name) {
    return reinterpret_cast<Module>(LoadLibraryA(name.c_str()));
}

void* Win32ModuleLoader::Symbol(Module module, const char* name) {
    if (module == nullptr) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void Win32ModuleLoader::Free(Module module) {
    if (module) FreeLibrary(static_cast<HMODULE>(module));
}

std::string Win32ModuleLoader::ExecutablePath() {
    char buffer[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    return std::string(buffer, length);
}

void Win32Shell::ShowMessageBox(const std::string& text, const std::string& caption,
                                MessageBoxIcon icon) {
    UINT style = MB_OK | (icon == MessageBoxIcon::Error ? MB_ICONERROR : MB_ICONINFORMATION);
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), style);
}

void Win32Shell::PulseNamedMutex(const std::string& name, std::chrono::milliseconds duration) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
    Pause(duration);
    if (mutex) CloseHandle(mutex);
}

void Win32Shell::PurgeSounds() {
    PlaySoundA(nullptr, nullptr, SND_PURGE);
}

void Win32Shell::OpenProgramFile(const std::string& path, WindowHandle owner) {
    ShellExecuteW(reinterpret_cast<HWND>(owner), L"open", Utf8ToWide(path).c_str(), nullptr,
                  nullptr, SW_SHOWNORMAL);
}

ModuleLoader& SystemModuleLoader() {
    static Win32ModuleLoader loader;
    return loader;
}

Shell& SystemShell() {
    static Win32Shell shell;
    return shell;
}

AudioSystem& SystemAudioSystem() {
    static Win32AudioSystem audio;
    return audio;
}

AudioEndpoints& SystemAudioEndpoints() {
    static Win32AudioEndpoints endpoints;
    return endpoints;
}

Registry& SystemRegistry() {
    static Win32Registry registry;
    return registry;
}

}  // namespace kestrava
