// The renderer's folder of generated font files (beside the fuzz program,
// where the build writes them) and the texts the font targets render.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "CLcdRenderer.h"
#include "fontlib/CLcdRendererImpl.h"

namespace kestrava::fuzz {

inline std::string ProgramFolder() {
    char path[4096] = {};
    if (::readlink("/proc/self/exe", path, sizeof path - 1) <= 0) return ".";
    return std::filesystem::path(path).parent_path().string();
}

inline const char* const kFontFiles[] = {"TIF0.bin",   "TIF6.bin",   "TIF2.bin",
                                         "TI0Inv.bin", "TI6Inv.bin", "TI2Inv.bin",
                                         "TCF0.bin",   "TCF6.bin",   "TCF2.bin"};

// Converts both ways into buffers of exactly the promised size, so a write
// past the end is caught, and builds both kinds of stream.
inline void Exercise(CLcdRendererImpl& renderer, const std::string& text) {
    auto local = std::make_unique<char[]>(CLcdRenderer::kTextBufferSize);
    auto back = std::make_unique<char[]>(CLcdRenderer::kTextBufferSize);
    std::fill_n(local.get(), CLcdRenderer::kTextBufferSize, 0);
    std::fill_n(back.get(), CLcdRenderer::kTextBufferSize, 0);
    renderer.Utf8ToLocal(text.c_str(), local.get());
    renderer.LocalToUtf8(local.get(), back.get());
    std::fill_n(back.get(), CLcdRenderer::kTextBufferSize, 0);
    renderer.LocalToUtf8(text.c_str(), back.get());
    renderer.RenderText(text.c_str());
    renderer.SendRendered();
    renderer.RenderPlainText(text.c_str());
    renderer.SendRendered();
}

}  // namespace kestrava::fuzz
