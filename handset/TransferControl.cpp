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
        RequestHandsetTransferStop(device, settle);
    }
    return AwaitHandsetTransferStop(device);
}

bool RequestHandsetTransferStop(CDeviceLibrary& device, std::chrono::milliseconds settle) {
    if (!device.m_bTransferActive.load(std::memory_order_acquire)) return false;
    // The renderer is told first: the worker clears the renderer's stop
    // (SetAbort(0)) when it ends, which it can only do after it has seen
    // m_bAbortPending, so the renderer is never left stopped.
    if (CLcdRenderer* renderer = device.Renderer()) renderer->SetAbort(1);
    device.m_bAbortPending.store(1, std::memory_order_release);
    if (settle.count() > 0) Pause(settle);
    return true;
}

bool AwaitHandsetTransferStop(CDeviceLibrary& device) {
    auto deadline = std::chrono::steady_clock::now() + kTransferStopLimit;
    while (device.m_bAbortPending.load(std::memory_order_acquire) == 1) {
        // A worker that ended on its own just before the request never answers
        // it; with no transfer running there is nobody to wait for.
        if (device.m_bTransferActive.load(std::memory_order_acquire) == 0) {
            device.m_bAbortPending.store(0, std::memory_order_release);
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) return false;
        Pause(kPollStep);
        // The stop is told to the renderer again after every step the worker
        // has not answered: a request that came after the worker's last look
        // at m_bAbortPending, just before the renderer's stream, was cleared
        // by the stream's start.
        if (device.m_bAbortPending.load(std::memory_order_acquire) == 1 &&
            device.m_bTransferActive.load(std::memory_order_acquire) == 1) {
            if (CLcdRenderer* renderer = device.Renderer()) renderer->SetAbort(1);
        }
    }
    return true;
}

bool StopHandsetTransferBeforeText(CDeviceLibrary& device) {
    RequestHandsetTransferStop(device, std::chrono::milliseconds(0));
    return AwaitHandsetTransferStop(device);
}

}  // namespace kestrava
