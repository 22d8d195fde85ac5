// Port: loading component libraries at run time.
#pragma once

#include <string>

namespace kestrava {

class ModuleLoader {
  public:
    using Module = void*;

    virtual ~ModuleLoader() = default;

    // Loads a library by its Windows name ("Ondrel.dll"); other systems map the
    // name to their own file name beside the program. nullptr on failure.
    virtual Module Load(const std::string& name) = 0;
    virtual void* Symbol(Module module, const char* name) = 0;
    virtual void Free(Module module) = 0;

    // Full path of the running program, UTF-8 whatever the system's code page.
    virtual std::string ExecutablePath() = 0;
};

}  // namespace kestrava
