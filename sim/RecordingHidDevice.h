// A handset component that keeps every transfer unit written to it, for the
// LCD viewer and the tests. `failWrite` decides per attempt (0-based over all
// attempts) whether a write fails; `afterWrite` runs after each attempt,
// outside the recorder's lock. Every other operation succeeds and does nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "CHidDevice.h"

namespace kestrava::sim {

struct TransferUnit {
    std::uint8_t value, control;
    bool operator==(const TransferUnit&) const = default;
};

class RecordingHidDevice final : public CHidDevice {
  public:
    std::function<bool(int attempt)> failWrite;
    std::function<void(int attempt)> afterWrite;

    std::vector<TransferUnit> Written() const {
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

    HResult SendCommandData(std::uint8_t command, std::uint8_t data) override {
        int attempt;
        bool fail;
        {
            std::lock_guard guard(m_lock);
            attempt = m_attempts++;
            fail = failWrite && failWrite(attempt);
            if (!fail) m_written.push_back({command, data});
        }
        if (afterWrite) afterWrite(attempt);
        return fail ? E_FAIL : S_OK;
    }
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
    std::vector<TransferUnit> m_written;
    int m_attempts = 0;
};

}  // namespace kestrava::sim
