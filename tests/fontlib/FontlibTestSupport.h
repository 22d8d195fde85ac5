// Shared pieces of the renderer tests: a recording handset, a pause counter,
// the folder of the generated font files and scratch folders for hand-made ones.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "CHidDevice.h"
#include "fontlib/CLcdRendererImpl.h"
#include "sim/RecordingHidDevice.h"

using Unit = kestrava::sim::TransferUnit;
using RecordingDevice = kestrava::sim::RecordingHidDevice;

// Records the renderer's waits instead of sleeping.
class PauseRecorder {
  public:
    CLcdRendererImpl::PauseFunction Function() {
        return [this](std::chrono::milliseconds d) {
            std::lock_guard guard(m_lock);
            m_pauses.push_back(static_cast<int>(d.count()));
        };
    }
    int Count(int milliseconds) const;

  private:
    mutable std::mutex m_lock;
    std::vector<int> m_pauses;
};

// Folder holding the generated font files: the test program's own folder.
std::string GeneratedFontFolder();

// A scratch folder, removed when the object goes away.
class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder();
    std::string Path() const { return m_path.string(); }
    void Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;

  private:
    std::filesystem::path m_path;
};

// Two-byte records of a hand-made map: record `index` holds `a`, `b`.
void PutRecord(std::vector<std::uint8_t>& file, std::size_t index, std::uint8_t a, std::uint8_t b);

// The data units of a stream, without markers.
std::vector<std::uint8_t> DataValues(const std::vector<Unit>& units);
