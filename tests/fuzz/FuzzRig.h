// A device library over a recording handset, a recording link and a real
// session store and contact list: what the line and key targets drive.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "handset/CDeviceLibrary.h"
#include "protocol/SkypeLink.h"
#include "session/CListManager.h"
#include "session/CSessionStore.h"
#include "support/Fakes.h"

namespace kestrava::fuzz {

// Keeps a count and the last command, so a long input costs no memory.
class RecordingLink final : public SkypeLink {
  public:
    void QueueCommand(unsigned key, const char*, int) override {
        ++commands;
        lastKey = key;
    }
    bool SendStraight(const std::string& text) override {
        ++commands;
        lastText = text;
        return true;
    }
    void Rediscover() override {}
    bool DisplayEnabled() override { return displayEnabled; }
    bool FontsSupported() override { return fontsSupported; }
    void SetDisplayEnabled(int enabled) override { displayEnabled = enabled != 0; }
    void UpdateTrayState() override {}
    void ShowMissedCalls() override {}
    int OwnStatus() override { return ownStatus; }
    void ShowStatusOnHandset(int) override {}

    int commands = 0;
    unsigned lastKey = 0;
    std::string lastText;
    bool displayEnabled = true;
    bool fontsSupported = true;
    int ownStatus = 0;
};

// A handset that forgets its output reports once there are many.
class QuietHandset final : public CHidDevice {
  public:
    HResult SendCommand(std::uint8_t) override { return S_OK; }
    HResult SendCommandData(std::uint8_t, std::uint8_t) override { return S_OK; }
    HResult QRV_SetMixerRegControl(std::uint8_t, std::uint8_t, std::uint8_t) override {
        return S_OK;
    }
    HResult StartReading(WindowHandle) override { return S_OK; }
    HResult Open(std::uint16_t, std::uint16_t) override { return S_OK; }
    HResult Close() override { return S_OK; }
    HResult Reconnect() override { return S_OK; }
    HResult Release() override { return S_OK; }
    HResult StopReading() override { return S_OK; }
    HResult SetNotifyMessage(std::uint32_t) override { return 1; }
    HResult EnableMixerControl() override { return S_OK; }
    HResult DisableMixerControl() override { return S_OK; }
    HResult QRV_GetMixerRegControl(std::uint8_t) override { return S_OK; }
    HResult SetProductList(const std::uint32_t*, int) override { return S_OK; }
    HResult AttachRenderer(CLcdRenderer*) override { return S_OK; }
    HResult ShowLastError() override { return S_OK; }
    HResult SetArfSupport(std::int32_t) override { return S_OK; }
};

// The device library, its handset and renderer; pauses return at once, and
// a transfer stop is answered the moment it is asked for, as the upload
// worker would.
class DeviceRig {
  public:
    DeviceRig() {
        Current() = this;
        SetPauseHook(&Answer);
        testing::g_fakeDevice = &handset;
        loader.Add(CDeviceLibrary::kLibraryName,
                   {reinterpret_cast<void*>(&testing::CreateFakeDevice),
                    reinterpret_cast<void*>(&testing::DeleteNothing)});
        device = std::make_unique<CDeviceLibrary>(loader, shell);
        device->AttachRenderer(&renderer);
        device->m_bResync = 0;
    }
    ~DeviceRig() {
        device.reset();
        SetPauseHook(nullptr);
        Current() = nullptr;
    }

    QuietHandset handset;
    testing::FakeModuleLoader loader;
    testing::RecordingShell shell;
    ::testing::NiceMock<testing::MockLcdRenderer> renderer;
    std::unique_ptr<CDeviceLibrary> device;

  private:
    static DeviceRig*& Current() {
        static DeviceRig* current = nullptr;
        return current;
    }
    static void Answer(std::chrono::milliseconds) {
        DeviceRig* rig = Current();
        if (rig && rig->device && rig->device->m_bAbortPending == 1) {
            rig->device->m_bTransferActive = 0;
            rig->device->m_bAbortPending = 0;
        }
    }
};

}  // namespace kestrava::fuzz
