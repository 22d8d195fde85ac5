// A device library over a handset that keeps nothing, a recording link and a real
// session store and contact list: what the line and key targets drive.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "FuzzSupport.h"
#include "QuietHandset.h"
#include "handset/CDeviceLibrary.h"
#include "handset/HandsetSeams.h"
#include "protocol/CSkypeEngine.h"
#include "protocol/SkypeLink.h"
#include "session/CListManager.h"
#include "session/CSessionStore.h"
#include "support/Fakes.h"

namespace kestrava::fuzz {

// The engine's threads are not started: the targets hand lines to the
// dispatcher themselves, and a thread of the engine's own would make a run
// depend on timing (and cost a thread start per input).
inline EngineThreads NoEngineThreads() {
    return {[](std::thread&, std::function<void()>) { return false; }, [](const std::string&) {}};
}

// Skype's windows as the input says: `open` has a bit per window class (the
// class's hash picks it) for top-level windows; `shown` decides visibility
// and, in its low bits, the page control's selected tab.
class ChosenDesktop final : public testing::NullDesktop {
  public:
    static constexpr WindowHandle kTopLevel = 0x5000;

    WindowHandle FindTopLevelWindow(const std::string& className, const std::string*) override {
        return Bit(m_open, className) ? kTopLevel : 0;
    }
    bool IsWindow(WindowHandle window) override { return window != 0 && (m_open & 1); }
    WindowHandle ForegroundWindow() override { return m_shown & 0x80 ? kTopLevel : 0; }
    std::vector<ChildWindow> ChildWindows(WindowHandle) override {
        return {{0x5101, "TTntPageControl.UnicodeClass"},
                {0x5102, "tSkBgGrid.UnicodeClass"},
                {0x5103, "tSkContactList.UnicodeClass"}};
    }
    bool IsWindowVisible(WindowHandle window) override { return (m_shown >> (window & 7)) & 1; }
    int SelectedTab(WindowHandle) override { return static_cast<int>(m_shown & 3) - 1; }
    void Choose(std::uint8_t open, std::uint8_t shown) {
        m_open = open;
        m_shown = shown;
    }

  private:
    static bool Bit(std::uint8_t bits, const std::string& name) {
        return (bits >> (std::hash<std::string>{}(name) % 8)) & 1;
    }
    std::uint8_t m_open = 0;
    std::uint8_t m_shown = 0;
};

// Keeps a count and the last command, so a long input costs no memory.
class RecordingLink final : public SkypeLink {
  public:
    void QueueCommand(unsigned key, const char*, int) override {
        ++commands;
        lastKey = key;
    }
    void QueueBulkCommand(unsigned key, const char* handle, int callId) override {
        QueueCommand(key, handle, callId);
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

// Faders that go nowhere.
class NullAudio final : public HandsetAudio {
  public:
    void SetSpeakerFader(int, int) override {}
    void SetMicrophoneFader(int, int) override {}
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

namespace kestrava::fuzz {

// Fills the store and the list from the front of the input: a few history
// calls, the current and the second call, a few contacts. Ids are small so
// that the calls and the slots meet; statuses run a little past the known ones.
inline void SeedSession(Bytes& in, CSessionStore& store, CListManager& list) {
    auto status = [&in] { return static_cast<int>(in.Byte() % 20) - 1; };
    int calls = in.Byte() % 6;
    for (int i = 0; i < calls; ++i) {
        int id = in.Byte() % 8;
        store.AddCall(id, in.Byte() & 1);
        store.SetCallType(id, in.Byte() % 6 - 1);
        store.SetCallStatus(id, status());
        store.SetCallSeen(id, in.Byte() & 1);
        store.SetCallDuration(id, in.Byte() * 61);
        std::string name = in.Text(in.Byte() % 24);
        store.SetCallPartnerName(id, name.c_str(), static_cast<int>(name.size()));
        store.SetCallPartnerHandle(id, name.c_str(), static_cast<int>(name.size()));
    }
    store.SetCurrentCallId(in.Byte() % 8);
    store.SetCurrentCallStatus(status());
    store.SetSecondCallId(in.Byte() % 8);
    store.SetSecondCallStatus(status());
    store.SetBrowseMode(in.Byte() % 4);
    int contacts = in.Byte() % 5;
    for (int i = 0; i < contacts; ++i) {
        std::string handle = "c" + std::to_string(i) + in.Text(in.Byte() % 12);
        list.AppendContact(handle.c_str(), in.Byte() % 12);
    }
}

}  // namespace kestrava::fuzz
