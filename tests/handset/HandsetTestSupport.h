// A handset component that logs every output report in order, mocks of what
// the handset threads call, and a pause hook that records instead of sleeping.
#pragma once

#include <gmock/gmock.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "CHidDevice.h"
#include "Fakes.h"
#include "handset/CDeviceLibrary.h"
#include "handset/ContactActionDialog.h"
#include "handset/ContactListView.h"
#include "handset/HandsetSeams.h"
#include "platform/Pause.h"
#include "protocol/SkypeLink.h"
#include "session/CSessionStore.h"

namespace kestrava::testing {

// Every output report as text, in order: "cmd 51", "unit 6A 0A", "reg 0E 80 48";
// tests add their own marks ("rendered") with Note.
class OutputRecorder final : public CHidDevice {
  public:
    std::function<void(std::uint8_t)> onCommand;               // before it is logged
    std::function<void(std::uint8_t, std::uint8_t)> onUnit;    // after it is logged
    std::function<bool(std::uint8_t, std::uint8_t)> failUnit;  // true: the write fails

    void Note(const std::string& event) {
        std::lock_guard lock(m_lock);
        m_events.push_back(event);
    }
    std::vector<std::string> Events() const {
        std::lock_guard lock(m_lock);
        return m_events;
    }
    void Clear() {
        std::lock_guard lock(m_lock);
        m_events.clear();
    }
    int StartReadings() const { return m_startReadings.load(); }

    HResult SendCommand(std::uint8_t command) override {
        if (onCommand) onCommand(command);
        Note(Hex("cmd", {command}));
        return 0;
    }
    HResult SendCommandData(std::uint8_t value, std::uint8_t control) override {
        bool fail = failUnit && failUnit(value, control);
        if (!fail) Note(Hex("unit", {value, control}));
        if (onUnit) onUnit(value, control);
        return fail ? E_FAIL : S_OK;
    }
    HResult QRV_SetMixerRegControl(std::uint8_t reg, std::uint8_t x, std::uint8_t y) override {
        Note(Hex("reg", {reg, x, y}));
        return S_OK;
    }
    HResult StartReading(WindowHandle) override {
        ++m_startReadings;
        return S_OK;
    }
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

    static std::string Hex(const char* kind, std::initializer_list<std::uint8_t> bytes) {
        std::string text = kind;
        char part[4];
        for (std::uint8_t b : bytes) {
            std::snprintf(part, sizeof part, " %02X", b);
            text += part;
        }
        return text;
    }

  private:
    mutable std::mutex m_lock;
    std::vector<std::string> m_events;
    std::atomic<int> m_startReadings{0};
};

inline std::string Unit(std::uint8_t value, std::uint8_t control) {
    return OutputRecorder::Hex("unit", {value, control});
}
inline std::string Cmd(std::uint8_t command) {
    return OutputRecorder::Hex("cmd", {command});
}
// The data units of `text`, the control alternating from `toggle`.
inline std::vector<std::string> TextUnits(const std::string& text, std::uint8_t toggle = 0x00) {
    std::vector<std::string> units;
    for (char c : text) {
        units.push_back(Unit(static_cast<std::uint8_t>(c), toggle));
        toggle ^= 0x05;
    }
    return units;
}

class MockKeypad : public KeypadHandler {
  public:
    MOCK_METHOD(int, HandleKeyReport, (std::uint32_t), (override));
};

class MockAudio : public HandsetAudio {
  public:
    MOCK_METHOD(void, SetSpeakerFader, (int, int), (override));
    MOCK_METHOD(void, SetMicrophoneFader, (int, int), (override));
};

class MockContacts : public ContactListView {
  public:
    MOCK_METHOD(HResult, SelectNextContact, (int, int), (override));
    MOCK_METHOD(HResult, GetSelectedContactName, (char*), (override));
    MOCK_METHOD(HResult, GetSelectedContactStatus, (int*), (override));
    MOCK_METHOD(HResult, GetContactCount, (int*), (override));
    MOCK_METHOD(HResult, ReadSelectedContactHandleChar, (char*), (override));
    MOCK_METHOD(HResult, ReadCallerHandleChar, (char*), (override));
    MOCK_METHOD(HResult, RewindSelectedContactHandle, (), (override));
    MOCK_METHOD(HResult, RewindCallerHandle, (), (override));
};

class MockContactDialog : public ContactActionDialog {
  public:
    MOCK_METHOD(void, ListKey, (int), (override));
    MOCK_METHOD(bool, IsOpen, (), (override));
    MOCK_METHOD(void, MoveSelection, (bool), (override));
    MOCK_METHOD(bool, ShowsSelectableList, (), (override));
    MOCK_METHOD(std::string, SelectedHandle, (), (override));
    MOCK_METHOD(int, OpenMode, (), (override));
    MOCK_METHOD(bool, RedialFlag, (), (override));
    MOCK_METHOD(bool, ChatFlag, (), (override));
    MOCK_METHOD(bool, FileFlag, (), (override));
    MOCK_METHOD(void, CloseAndClear, (), (override));
    MOCK_METHOD(void, ClearListFlags, (), (override));
};

// Records each pause instead of sleeping. Install before any thread runs.
class PauseRecorder {
  public:
    PauseRecorder() {
        Instance() = this;
        SetPauseHook(&Hook);
    }
    ~PauseRecorder() {
        SetPauseHook(nullptr);
        Instance() = nullptr;
    }
    std::vector<int> Pauses() {
        std::lock_guard lock(m_lock);
        return m_pauses;
    }
    void Clear() {
        std::lock_guard lock(m_lock);
        m_pauses.clear();
    }

  private:
    static PauseRecorder*& Instance() {
        static PauseRecorder* instance = nullptr;
        return instance;
    }
    static void Hook(std::chrono::milliseconds duration) {
        PauseRecorder* self = Instance();
        std::lock_guard lock(self->m_lock);
        self->m_pauses.push_back(static_cast<int>(duration.count()));
    }
    std::mutex m_lock;
    std::vector<int> m_pauses;
};

// A loaded device library over an OutputRecorder, with a renderer attached
// whose SendRendered is noted in the log as "rendered".
class HandsetFixture : public ::testing::Test {
  protected:
    HandsetFixture() {
        g_fakeDevice = &output;
        loader.Add("Ondrel.dll", {reinterpret_cast<void*>(&CreateFakeDevice),
                                  reinterpret_cast<void*>(&DeleteNothing)});
        device = std::make_unique<CDeviceLibrary>(loader, shell);
        device->AttachRenderer(&renderer);
        device->m_bResync = 0;
        ON_CALL(renderer, SendRendered()).WillByDefault([this] {
            output.Note("rendered");
            return S_OK;
        });
    }
    ~HandsetFixture() override { device.reset(); }

    // A history record the store's browse has selected and refreshed.
    void SelectCall(int id, int type, int status, int duration, CallTime timestamp,
                    const std::string& handle = {}, int mode = CSessionStore::kBrowseReceived) {
        store.AddCall(id, 0);
        store.SetCallType(id, type);
        store.SetCallStatus(id, status);
        store.SetCallDuration(id, duration);
        store.SetCallTimestamp(id, timestamp);
        if (!handle.empty()) {
            store.SetCallPartnerHandle(id, handle.c_str(), static_cast<int>(handle.size()));
        }
        store.SetBrowseMode(mode);
        store.ResetBrowse();
        int selected = 0;
        ASSERT_EQ(store.SelectNextCall(0, 0, &selected), S_OK);
        store.RefreshSelection(selected);
    }

    PauseRecorder pauses;  // first: no pause of the library's escapes it
    OutputRecorder output;
    FakeModuleLoader loader;
    RecordingShell shell;
    ::testing::NiceMock<MockLcdRenderer> renderer;
    CSessionStore store;
    ::testing::NiceMock<MockContacts> contacts;
    std::unique_ptr<CDeviceLibrary> device;
};

// A flag that one thread opens and others wait for; only a hang reaches
// the guard of the wait.
class Gate {
  public:
    void Open() {
        {
            std::lock_guard lock(m_lock);
            m_open = true;
        }
        m_changed.notify_all();
    }
    bool Wait() {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, std::chrono::seconds(20), [this] { return m_open; });
    }

  private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_open = false;
};

}  // namespace kestrava::testing
