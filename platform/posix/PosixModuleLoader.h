// Module loader of the POSIX build: dlopen beside the program.
#pragma once

#include "platform/ModuleLoader.h"

namespace kestrava {

class PosixModuleLoader final : public ModuleLoader {
  public:
    Module Load(const std::string& name) override;
    void* Symbol(Module module, const char* name) override;
    void Free(Module module) override;
    std::string ExecutablePath() override;

    // "Ondrel.dll" -> "<program folder>/Ondrel.so".
    std::string FileNameFor(const std::string& name);
};

}  // namespace kestrava
