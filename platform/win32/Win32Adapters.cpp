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
    const auto wide = StrictUtf8ToWide(name);
    if (!wide || wide->empty()) return nullptr;
    return reinterpret_cast<Module>(LoadLibraryW(wide->c_str()));
}

void* Win32ModuleLoader::Symbol(Module module, const char* name) {
    if (module == nullptr) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void Win32ModuleLoader::Free(Module module) {
    if (module) FreeLibrary(static_cast<HMODULE>(module));
}

// Through the wide function, then UTF-8: the ANSI one gives the path in the
// code page, which the program would read as UTF-8, and replaces characters
// the code page lacks (a folder named in Chinese under a Western code page).
// The buffer grows for a long path; a path cut short is no path.
std::string Win32ModuleLoader::ExecutablePath() {
    for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
        std::wstring buffer(size, L'\0');
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), size);
        if (length == 0) return {};
        if (length < size) return WideToUtf8(buffer.data(), static_cast<std::size_t>(length));
    }
    return {};
}

void Win32Shell::ShowMessageBox(const std::string& text, const std::string& caption,
                                MessageBoxIcon icon) {
    UINT style = MB_OK | (icon == MessageBoxIcon::Error ? MB_ICONERROR : MB_ICONINFORMATION);
    MessageBoxW(nullptr, Utf8ToWide(text).c_str(), Utf8ToWide(caption).c_str(), style);
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
