#include "handset/TransferControl.h"

#include "CLcdRenderer.h"
#include "handset/CDeviceLibrary.h"
#include "platform/Pause.h"

namespace kestrava {

namespace {
constexpr auto kPollStep = std::chrono::milliseconds(3);
}

bool StopHandsetTransfer(CDeviceLibrary& device, std::chrono::milliseconds settle) {
    if (device.m_bTransferActive.load(std::memory_order_acquire)) {
        device.m_nDisplayContent = 0;
        device.m_bAbortPending.store(1, std::memory_order_release);
        if (CLcdRenderer* renderer = device.Renderer()) renderer->SetAbort(1);
        Pause(settle);
    }
    auto deadline = std::chrono::steady_clock::now() + kTransferStopLimit;
    while (device.m_bAbortPending.load(std::memory_order_acquire) == 1) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        Pause(kPollStep);
    }
    return true;
}

}  // namespace kestrava
