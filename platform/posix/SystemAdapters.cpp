#include "PosixModuleLoader.h"
#include "PosixShell.h"
#include "platform/Platform.h"

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

}  // namespace kestrava
