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

struct Unit {
    std::uint8_t value, control;
    bool operator==(const Unit&) const = default;
};

// A handset that records every unit written to it. `failWrite` decides per
// attempt (0-based over all attempts) whether the write fails; `afterWrite`
// runs after each attempt, outside the recorder's lock.
class RecordingDevice final : public CHidDevice {
  public:
    std::function<bool(int attempt)> failWrite;
    std::function<void(int attempt)> afterWrite;

    std::vector<Unit> Written() const {
        std::lock_guard guard(m_lock);
        return m_written;
    }
    void Clear() {
        std::lock_guard guard(m_lock);
        m_written.clear();
        m_attempts = 0;
    }
    int Attempts() const {
        std::lock_guard guard(m_lock);
        return m_attempts;
    }

    HResult SendCommandData(std::uint8_t command, std::uint8_t data) override;
    HResult Open(std::uint16_t, std::uint16_t) override { return S_OK; }
    HResult Close() override { return S_OK; }
    HResult Reconnect() override { return S_OK; }
    HResult Release() override { return S_OK; }
    HResult StartReading(WindowHandle) override { return S_OK; }
    HResult StopReading() override { return S_OK; }
    HResult SetNotifyMessage(std::uint32_t) override { return 1; }
    HResult SendCommand(std::uint8_t) override { return 0; }
    HResult EnableMixerControl() override { return S_OK; }
    HResult DisableMixerControl() override { return S_OK; }
    HResult QRV_GetMixerRegControl(std::uint8_t) override { return S_OK; }
    HResult QRV_SetMixerRegControl(std::uint8_t, std::uint8_t, std::uint8_t) override {
        return S_OK;
    }
    HResult SetProductList(const std::uint32_t*, int) override { return S_OK; }
    HResult AttachRenderer(CLcdRenderer*) override { return S_OK; }
    HResult ShowLastError() override { return S_OK; }
    HResult SetArfSupport(std::int32_t) override { return S_OK; }

  private:
    mutable std::mutex m_lock;
    std::vector<Unit> m_written;
    int m_attempts = 0;
};

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
