// Fakes of the ports and mocks of the components, shared by the test programs.
#pragma once

#include <gmock/gmock.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "CHidDevice.h"
#include "CLcdRenderer.h"
#include "platform/Desktop.h"
#include "platform/DialogHost.h"
#include "platform/ModuleLoader.h"
#include "platform/Shell.h"
#include "platform/WindowSystem.h"
#include "protocol/LinkCollaborators.h"
#include "protocol/SkypeLink.h"

namespace kestrava::testing {

// A window system that records what the program sends to other windows.
// Sends of WM_COPYDATA are "delivered" while `accepting` is true.
class RecordingWindowSystem : public WindowSystem {
  public:
    struct Broadcasted {
        std::uint32_t message;
        WParam wParam;
        LParam lParam;
    };

    std::uint32_t RegisterMessage(const std::string& name) override {
        std::lock_guard lock(m_mutex);
        auto [it, added] = m_registered.emplace(name, 0xC000 + m_registered.size());
        return it->second;
    }
    bool RegisterWindowClass(const std::string&, const std::string&) override { return true; }
    void UnregisterWindowClass(const std::string&) override {}
    WindowHandle CreateHiddenWindow(const std::string&, const std::string&, WindowProc) override {
        return 0x100;
    }
    WindowHandle CreateChildWindow(WindowHandle, const std::string&, WindowProc) override {
        return 0x101;
    }
    void ShowWindow(WindowHandle, bool) override {}
    void SetFocus(WindowHandle) override {}
    bool DestroyWindow(WindowHandle) override { return true; }
    LParam DefaultProcedure(WindowHandle, std::uint32_t, WParam, LParam) override { return 0; }
    int RunMessageLoop() override { return 0; }
    void PostQuit(int) override {}
    bool Post(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) override {
        std::lock_guard lock(m_mutex);
        m_posted.push_back({window, message, wParam, lParam});
        return true;
    }
    std::optional<LParam> Send(WindowHandle window, std::uint32_t message, WParam wParam,
                               LParam lParam, std::chrono::milliseconds) override {
        if (message != msg::kCopyData) return LParam{0};
        std::lock_guard gate(sendGate);
        std::unique_lock lock(m_mutex);
        m_sends.push_back({window, wParam, TextOfCopyData(lParam)});
        m_events.push_back("SEND " + m_sends.back().text);
        m_changed.notify_all();
        if (!accepting || window == 0) return std::nullopt;
        return LParam{1};
    }
    void Broadcast(std::uint32_t message, WParam wParam, LParam lParam,
                   std::chrono::milliseconds) override {
        std::lock_guard lock(m_mutex);
        m_broadcasts.push_back({message, wParam, lParam});
        m_events.push_back("BROADCAST " + std::to_string(message) + " " + std::to_string(wParam));
        m_changed.notify_all();
    }
    bool SetTimer(WindowHandle, std::uintptr_t, unsigned) override { return true; }
    void KillTimer(WindowHandle, std::uintptr_t) override {}
    void PumpSentMessages(std::chrono::milliseconds) override {}

    struct Posted {
        WindowHandle window;
        std::uint32_t message;
        WParam wParam;
        LParam lParam;
    };
    std::vector<Posted> Posts() {
        std::lock_guard lock(m_mutex);
        return m_posted;
    }

    struct Sent {
        WindowHandle target;
        WParam sender;
        std::string text;
    };
    std::vector<Sent> Sends() {
        std::lock_guard lock(m_mutex);
        return m_sends;
    }
    std::vector<std::string> SentTexts() {
        std::vector<std::string> texts;
        for (const auto& sent : Sends()) texts.push_back(sent.text);
        return texts;
    }
    std::vector<Broadcasted> Broadcasts() {
        std::lock_guard lock(m_mutex);
        return m_broadcasts;
    }
    // Waits until at least `count` texts were sent (delivered or not).
    bool WaitForSends(std::size_t count, std::chrono::milliseconds timeout) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return m_sends.size() >= count; });
    }
    bool WaitForBroadcasts(std::size_t count, std::chrono::milliseconds timeout) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return m_broadcasts.size() >= count; });
    }

    // Sends and broadcasts in the order they happened: "SEND <text>", "BROADCAST <msg> <wParam>".
    std::vector<std::string> Events() {
        std::lock_guard lock(m_mutex);
        return m_events;
    }

    std::atomic<bool> accepting{true};
    std::mutex sendGate;  // a test holds it to keep the sender from sending

  private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<std::string, std::uint32_t> m_registered;
    std::vector<Sent> m_sends;
    std::vector<Broadcasted> m_broadcasts;
    std::vector<std::string> m_events;
    std::vector<Posted> m_posted;
};

// A desktop without other programs' windows; fakes override what they need.
class NullDesktop : public Desktop {
  public:
    WindowHandle FindTopLevelWindow(const std::string&, const std::string*) override { return 0; }
    bool IsWindow(WindowHandle) override { return false; }
    WindowHandle ForegroundWindow() override { return 0; }
    std::vector<ChildWindow> ChildWindows(WindowHandle) override { return {}; }
    bool IsWindowVisible(WindowHandle) override { return false; }
    int SelectedTab(WindowHandle) override { return -1; }
    void PostClick(WindowHandle, int, int) override {}
    void PostClose(WindowHandle) override {}
    void PostSystemCommand(WindowHandle, unsigned) override {}
    void PostClickActivate(WindowHandle) override {}
    void BringToForeground(WindowHandle) override {}
    void InjectKey(std::uint8_t, std::uint8_t, bool) override {}
};

class MockDesktop : public Desktop {
  public:
    MOCK_METHOD(WindowHandle, FindTopLevelWindow, (const std::string&, const std::string*),
                (override));
    MOCK_METHOD(bool, IsWindow, (WindowHandle), (override));
    MOCK_METHOD(WindowHandle, ForegroundWindow, (), (override));
    MOCK_METHOD(std::vector<ChildWindow>, ChildWindows, (WindowHandle), (override));
    MOCK_METHOD(bool, IsWindowVisible, (WindowHandle), (override));
    MOCK_METHOD(int, SelectedTab, (WindowHandle), (override));
    MOCK_METHOD(void, PostClick, (WindowHandle, int, int), (override));
    MOCK_METHOD(void, PostClose, (WindowHandle), (override));
    MOCK_METHOD(void, PostSystemCommand, (WindowHandle, unsigned), (override));
    MOCK_METHOD(void, PostClickActivate, (WindowHandle), (override));
    MOCK_METHOD(void, BringToForeground, (WindowHandle), (override));
    MOCK_METHOD(void, InjectKey, (std::uint8_t, std::uint8_t, bool), (override));
};

// A dialog host without dialogs; fakes override what they need.
class NullDialogHost : public DialogHost {
  public:
    void InsertComboString(DialogHandle, int, int, const std::string&) override {}
    void SelectComboIndex(DialogHandle, int, int) override {}
    LParam RunModalDialog(int, WindowProc) override { return -1; }
    void EndDialog(DialogHandle, LParam) override {}
    void SetDialogTitle(DialogHandle, const std::string&) override {}
    void MakeTopmost(DialogHandle) override {}
    int AddListString(DialogHandle, int, const std::string&) override { return -1; }
    int ListCount(DialogHandle, int) override { return 0; }
    int ListSelection(DialogHandle, int) override { return -1; }
    void SelectListIndex(DialogHandle, int, int) override {}
    void SetControlText(DialogHandle, int, const std::string&) override {}
    std::string ControlText(DialogHandle, int) override { return {}; }
    void SetChecked(DialogHandle, int, bool) override {}
    bool IsChecked(DialogHandle, int) override { return false; }
    int ComboCount(DialogHandle, int) override { return 0; }
    int ComboSelection(DialogHandle, int) override { return -1; }
    std::string ComboText(DialogHandle, int, int) override { return {}; }
    void CloseComboDropDown(DialogHandle, int) override {}
    void SetTrackbarRange(DialogHandle, int, int, int) override {}
    void SetTrackbarPosition(DialogHandle, int, int) override {}
    int TrackbarPosition(DialogHandle, int) override { return 0; }
};

class MockLinkCollaborators : public LinkCollaborators {
  public:
    MOCK_METHOD(void, PreferNonHandsetDevices, (), (override));
    MOCK_METHOD(std::string, HandsetAudioDeviceName, (), (override));
    MOCK_METHOD(void, ResetCurrentCall, (), (override));
    MOCK_METHOD(void, ResetSecondCall, (), (override));
    MOCK_METHOD(void, ResetBrowse, (), (override));
    MOCK_METHOD(void, ClearCalls, (), (override));
    MOCK_METHOD(int, CurrentCallId, (), (override));
    MOCK_METHOD(int, CurrentCallStatus, (), (override));
    MOCK_METHOD(int, CountUnseenMissedCalls, (), (override));
    MOCK_METHOD(void, ResetContactCursor, (), (override));
    MOCK_METHOD(void, ClearContacts, (), (override));
    MOCK_METHOD(void, HandleButton, (int), (override));
    MOCK_METHOD(void, SetLinkReady, (int), (override));
    MOCK_METHOD(bool, HandsetPresent, (), (override));
    MOCK_METHOD(bool, SendHandsetCommand, (std::uint8_t), (override));
    MOCK_METHOD(bool, HandsetBrowsing, (), (override));
    MOCK_METHOD(void, SetHandsetResync, (int), (override));
    MOCK_METHOD(void, SetDisplayContent, (int), (override));
    MOCK_METHOD(void, AddDisplayContent, (int), (override));
    MOCK_METHOD(void, StopHandsetTransfer, (), (override));
    MOCK_METHOD(void, RestartFocusTimer, (), (override));
    MOCK_METHOD(void, ShowTrayState, (const std::string&, int), (override));
};

class MockSkypeLink : public SkypeLink {
  public:
    MOCK_METHOD(void, QueueCommand, (unsigned, const char*, int), (override));
    MOCK_METHOD(void, QueueBulkCommand, (unsigned, const char*, int), (override));
    MOCK_METHOD(bool, SendStraight, (const std::string&), (override));
    MOCK_METHOD(void, Rediscover, (), (override));
    MOCK_METHOD(bool, DisplayEnabled, (), (override));
    MOCK_METHOD(bool, FontsSupported, (), (override));
    MOCK_METHOD(void, SetDisplayEnabled, (int), (override));
    MOCK_METHOD(void, UpdateTrayState, (), (override));
    MOCK_METHOD(void, ShowMissedCalls, (), (override));
    MOCK_METHOD(int, OwnStatus, (), (override));
    MOCK_METHOD(void, ShowStatusOnHandset, (int), (override));
};

class MockDispatcher : public NotificationDispatcher {
  public:
    MOCK_METHOD(void, Dispatch, (const std::string&, int, int), (override));
    MOCK_METHOD(void, WatchSkypeDialogs, (int), (override));
};

class MockHidDevice : public CHidDevice {
  public:
    MOCK_METHOD(HResult, Open, (std::uint16_t, std::uint16_t), (override));
    MOCK_METHOD(HResult, Close, (), (override));
    MOCK_METHOD(HResult, Reconnect, (), (override));
    MOCK_METHOD(HResult, Release, (), (override));
    MOCK_METHOD(HResult, StartReading, (WindowHandle), (override));
    MOCK_METHOD(HResult, StopReading, (), (override));
    MOCK_METHOD(HResult, SetNotifyMessage, (std::uint32_t), (override));
    MOCK_METHOD(HResult, SendCommand, (std::uint8_t), (override));
    MOCK_METHOD(HResult, SendCommandData, (std::uint8_t, std::uint8_t), (override));
    MOCK_METHOD(HResult, EnableMixerControl, (), (override));
    MOCK_METHOD(HResult, DisableMixerControl, (), (override));
    MOCK_METHOD(HResult, QRV_GetMixerRegControl, (std::uint8_t), (override));
    MOCK_METHOD(HResult, QRV_SetMixerRegControl, (std::uint8_t, std::uint8_t, std::uint8_t),
                (override));
    MOCK_METHOD(HResult, SetProductList, (const std::uint32_t*, int), (override));
    MOCK_METHOD(HResult, AttachRenderer, (CLcdRenderer*), (override));
    MOCK_METHOD(HResult, ShowLastError, (), (override));
    MOCK_METHOD(HResult, SetArfSupport, (std::int32_t), (override));
};

class MockLcdRenderer : public CLcdRenderer {
  public:
    MOCK_METHOD(HResult, LoadFonts, (const char*), (override));
    MOCK_METHOD(HResult, GetCodeValue, (const std::uint8_t*, int, int*), (override));
    MOCK_METHOD(HResult, MapToLocal, (std::uint8_t*), (override));
    MOCK_METHOD(HResult, RenderText, (const char*), (override));
    MOCK_METHOD(HResult, SendRendered, (), (override));
    MOCK_METHOD(HResult, Utf8ToLocal, (const char*, char*), (override));
    MOCK_METHOD(HResult, LocalToUtf8, (const char*, char*), (override));
    MOCK_METHOD(HResult, GetBig5Glyph, (const std::uint8_t*, std::uint8_t*), (override));
    MOCK_METHOD(HResult, GetGbGlyph, (const std::uint8_t*, std::uint8_t*), (override));
    MOCK_METHOD(HResult, GetSjisGlyph, (const std::uint8_t*, std::uint8_t*), (override));
    MOCK_METHOD(HResult, RenderBalance, (int), (override));
    MOCK_METHOD(HResult, RenderPlainText, (const char*), (override));
    MOCK_METHOD(HResult, SetDevice, (CHidDevice*), (override));
    MOCK_METHOD(HResult, SetPortStatus, (int), (override));
    MOCK_METHOD(HResult, SetAbort, (int), (override));
    MOCK_METHOD(HResult, SetArfSupport, (int), (override));
};

// Message boxes and named-mutex pulses, recorded.
class RecordingShell : public Shell {
  public:
    void ShowMessageBox(const std::string& text, const std::string& caption,
                        MessageBoxIcon) override {
        std::lock_guard lock(m_mutex);
        boxes.push_back(caption + ": " + text);
    }
    void PulseNamedMutex(const std::string& name, std::chrono::milliseconds duration) override {
        std::lock_guard lock(m_mutex);
        pulses.push_back(name + " " + std::to_string(duration.count()));
    }
    void PurgeSounds() override { ++purges; }
    void OpenProgramFile(const std::string& path, WindowHandle owner) override {
        std::lock_guard lock(m_mutex);
        opened.push_back(path + " owner " + std::to_string(owner));
    }
    void ClearOpened() {
        std::lock_guard lock(m_mutex);
        opened.clear();
    }
    // The programs started, each as "<path> owner <window>".
    std::vector<std::string> Opened() {
        std::lock_guard lock(m_mutex);
        return opened;
    }
    std::vector<std::string> Boxes() {
        std::lock_guard lock(m_mutex);
        return boxes;
    }
    std::vector<std::string> Pulses() {
        std::lock_guard lock(m_mutex);
        return pulses;
    }

    std::atomic<int> purges{0};

  private:
    std::mutex m_mutex;
    std::vector<std::string> boxes;
    std::vector<std::string> pulses;
    std::vector<std::string> opened;
};

// Factories of fake component libraries: they hand out the test's own objects.
inline CHidDevice* g_fakeDevice = nullptr;
inline CLcdRenderer* g_fakeRenderer = nullptr;
inline int CreateFakeDevice(void** object) {
    *object = g_fakeDevice;
    return 1;
}
inline int CreateFakeRenderer(void** object) {
    *object = g_fakeRenderer;
    return 1;
}
inline int DeleteNothing(void**) {
    return 1;
}

// A module loader whose "libraries" are factory functions of the test.
class FakeModuleLoader : public ModuleLoader {
  public:
    struct Library {
        void* create = nullptr;  // CreateComponentInstanceFn, or null for a missing export
        void* destroy = nullptr;
    };
    void Add(const std::string& name, Library library) { m_libraries[name] = library; }

    Module Load(const std::string& name) override {
        auto it = m_libraries.find(name);
        if (it == m_libraries.end()) return nullptr;
        ++loads;
        return &it->second;
    }
    void* Symbol(Module module, const char* name) override {
        auto* library = static_cast<Library*>(module);
        if (std::string(name) == "CreateComponentInstance") return library->create;
        if (std::string(name) == "DeleteComponentInstance") return library->destroy;
        return nullptr;
    }
    void Free(Module module) override {
        if (module) ++frees;
    }
    std::string ExecutablePath() override { return executablePath; }

    std::atomic<int> loads{0};
    std::atomic<int> frees{0};
    std::string executablePath = "/opt/kestrava/Kestrava";

  private:
    std::map<std::string, Library> m_libraries;
};

}  // namespace kestrava::testing
