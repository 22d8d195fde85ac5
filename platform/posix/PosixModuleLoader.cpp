#include "PosixModuleLoader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cctype>
#include <climits>

#include "platform/Paths.h"

namespace kestrava {

std::string PosixModuleLoader::FileNameFor(const std::string& name) {
    std::string base = name;
    const std::string windowsSuffix = ".dll";
    if (base.size() > windowsSuffix.size()) {
        std::string tail = base.substr(base.size() - windowsSuffix.size());
        for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (tail == windowsSuffix) base.resize(base.size() - windowsSuffix.size());
    }
    return DirectoryOf(ExecutablePath()) + base + ".so";
}

ModuleLoader::Module PosixModuleLoader::Load(const std::string& name) {
    return dlopen(FileNameFor(name).c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* PosixModuleLoader::Symbol(Module module, const char* name) {
    return module ? dlsym(module, name) : nullptr;
}

void PosixModuleLoader::Free(Module module) {
    if (module) dlclose(module);
}

std::string PosixModuleLoader::ExecutablePath() {
    char buffer[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (length <= 0) return {};
    return std::string(buffer, static_cast<std::size_t>(length));
}

}  // namespace kestrava
