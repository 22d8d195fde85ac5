#include "PosixModuleLoader.h"
#include "PosixShell.h"
#include "platform/Platform.h"
#include "platform/posix/FileRegistry.h"

namespace kestrava {

ModuleLoader& SystemModuleLoader() {
    static PosixModuleLoader loader;
    return loader;
}

Shell& SystemShell() {
    static PosixShell shell;
    return shell;
}

AudioSystem& SystemAudioSystem() {
    static NoAudioDevices audio;
    return audio;
}

AudioEndpoints& SystemAudioEndpoints() {
    static NoAudioEndpoints endpoints;
    return endpoints;
}

Registry& SystemRegistry() {
    static FileRegistry registry(FileRegistry::DefaultPath());
    return registry;
}

}  // namespace kestrava
