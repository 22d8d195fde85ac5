// The dispatcher and the call state machine wired to the real session store,
// a device library over a mocked handset, and mocks of the link and the line
// handlers. Everything the handset, Skype and the system see goes into one
// event log, in order; pauses are logged instead of slept.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "Fakes.h"
#include "handset/CDeviceLibrary.h"
#include "platform/Desktop.h"
#include "platform/Pause.h"
#include "protocol/CallStateMachine.h"
#include "protocol/CallerDetails.h"
#include "protocol/CommandKeys.h"
#include "protocol/NotificationDispatcher.h"
#include "protocol/SkypeLink.h"
#include "session/CSessionStore.h"

namespace kestrava::testing {

using Events = std::vector<std::string>;

class MockCallerDetails : public CallerDetails {
  public:
    MOCK_METHOD(void, SetCallerHandle, (const char*), (override));
    MOCK_METHOD(void, SetCallerName, (const char*), (override));
};

class MockUserLines : public UserLineHandler {
  public:
    MOCK_METHOD(void, Protocol, (const NotificationLine&), (override));
    MOCK_METHOD(void, Users, (const NotificationLine&), (override));
    MOCK_METHOD(void, User, (const NotificationLine&), (override));
    MOCK_METHOD(void, ConnectionStatus, (const NotificationLine&), (override));
    MOCK_METHOD(void, Privilege, (const NotificationLine&), (override));
    MOCK_METHOD(void, Profile, (const NotificationLine&), (override));
    MOCK_METHOD(void, UserStatus, (const NotificationLine&), (override));
    MOCK_METHOD(void, CurrentUserHandle, (const NotificationLine&), (override));
    MOCK_METHOD(void, Mute, (const NotificationLine&), (override));
    MOCK_METHOD(void, AudioIn, (const NotificationLine&), (override));
    MOCK_METHOD(void, AudioOut, (const NotificationLine&), (override));
};

class MockHistoryLines : public HistoryLineHandler {
  public:
    MOCK_METHOD(void, CallHistoryChanged, (const NotificationLine&), (override));
    MOCK_METHOD(void, Calls, (const NotificationLine&), (override));
    MOCK_METHOD(void, HistoryCallSeen, (int, int), (override));
    MOCK_METHOD(void, HistoryCallTimestamp, (int, CallTime), (override));
};

// Other programs' windows: only their classes matter here. The parser
// thread may look while the test opens one.
class FakeDesktop : public kestrava::testing::NullDesktop {
  public:
    WindowHandle FindTopLevelWindow(const std::string& className, const std::string*) override {
        std::lock_guard lock(m_mutex);
        return m_open.count(className) ? 0x5000 : 0;
    }
    void Open(const std::string& className) {
        std::lock_guard lock(m_mutex);
        m_open.insert(className);
    }
    void CloseAll() {
        std::lock_guard lock(m_mutex);
        m_open.clear();
    }

  private:
    std::mutex m_mutex;
    std::set<std::string> m_open;
};

class LoggingShell : public Shell {
  public:
    explicit LoggingShell(Events& log) : m_log(log) {}
    void ShowMessageBox(const std::string&, const std::string&, MessageBoxIcon) override {}
    void PulseNamedMutex(const std::string&, std::chrono::milliseconds) override {}
    void PurgeSounds() override { m_log.push_back("sounds off"); }
    void OpenProgramFile(const std::string& path, WindowHandle) override {
        m_log.push_back("open " + path);
    }

  private:
    Events& m_log;
};

// The text each call-property key stands for, for readable logs.
inline std::string QueuedText(unsigned key, int callId) {
    const char* property = nullptr;
    switch (key) {
        case KEY_SKYPE_GET_CALL_PARTNER_HANDLE:
            property = "PARTNER_HANDLE";
            break;
        case KEY_SKYPE_GET_CALL_PARTNER_DISPNAME:
            property = "PARTNER_DISPNAME";
            break;
        case KEY_SKYPE_GET_CALL_TYPE:
            property = "TYPE";
            break;
        case KEY_SKYPE_GET_CALL_TIMESTAMP:
            property = "TIMESTAMP";
            break;
        case KEY_SKYPE_GET_CALL_DURATION:
            property = "DURATION";
            break;
        case KEY_SKYPE_GET_CALL_SEEN:
            property = "SEEN";
            break;
        case KEY_SKYPE_HOOK_ON:
            return "HOOK ON";
        default:
            return "key " + std::to_string(key);
    }
    return "GET CALL " + std::to_string(callId) + " " + property;
}

// A few steps that many transitions share, as they appear in the log.
inline const Events kStop = {"abort 1", "pause 20"};  // with a transfer running
inline Events EndOnHandset() {
    Events events = kStop;
    events.insert(events.end(), {"sounds off", "hs 20", "pause 20"});
    return events;
}
inline Events CallDetails(int id) {
    Events events;
    for (const char* p :
         {"PARTNER_DISPNAME", "PARTNER_HANDLE", "TYPE", "SEEN", "DURATION", "TIMESTAMP"}) {
        events.push_back("GET CALL " + std::to_string(id) + " " + p);
    }
    return events;
}
inline Events Join(std::initializer_list<Events> parts) {
    Events all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// A history record as the handset would browse it.
struct HistoryView {
    bool found = false;
    int type = -1, status = -1, seen = 0;
    std::string name, handle;
    CallTime timestamp = 0;
};

class CallsTest : public ::testing::Test {
  protected:
    static inline CallsTest* s_current = nullptr;

    static void LogPause(std::chrono::milliseconds duration) {
        if (duration.count() == 3) {
            // A stop waits in 3 ms steps for the upload worker: answer it.
            s_current->device.m_bAbortPending = 0;
            return;
        }
        s_current->log.push_back("pause " + std::to_string(duration.count()));
    }

    void SetUp() override {
        using ::testing::_;
        using ::testing::Invoke;
        using ::testing::Return;
        device.AttachRenderer(&renderer);
        device.m_bTransferActive = 1;  // makes every stop visible in the log

        ON_CALL(hid, SendCommand(_)).WillByDefault(Invoke([this](std::uint8_t command) {
            char text[8];
            std::snprintf(text, sizeof text, "hs %02X", command);
            log.push_back(text);
            contentAtSend[command] = device.m_nDisplayContent.load();
            return S_OK;
        }));
        ON_CALL(renderer, RenderText(_)).WillByDefault(Invoke([this](const char* text) {
            log.push_back(std::string("render ") + text);
            return S_OK;
        }));
        ON_CALL(renderer, SetAbort(_)).WillByDefault(Invoke([this](int abort) {
            log.push_back("abort " + std::to_string(abort));
            return S_OK;
        }));
        ON_CALL(link, QueueCommand(_, _, _))
            .WillByDefault(Invoke([this](unsigned key, const char*, int callId) {
                log.push_back(QueuedText(key, callId));
            }));
        ON_CALL(link, QueueBulkCommand(_, _, _))
            .WillByDefault(Invoke([this](unsigned key, const char*, int callId) {
                log.push_back("bulk " + QueuedText(key, callId));
            }));
        ON_CALL(link, SendStraight(_)).WillByDefault(Invoke([this](const std::string& text) {
            log.push_back("straight " + text);
            return true;
        }));
        ON_CALL(link, ShowMissedCalls()).WillByDefault(Invoke([this] {
            log.push_back("missed calls shown");
        }));
        ON_CALL(link, DisplayEnabled()).WillByDefault(Invoke([this] { return displayEnabled; }));
        ON_CALL(link, FontsSupported()).WillByDefault(Invoke([this] { return fontsSupported; }));

        calls.SetSessionStore(&store);
        calls.SetCallerDetails(&caller);
    }

    // Registers the fake HID library before the device library loads it, and
    // logs pauses from then on (the device library pauses when it goes).
    bool Prepare() {
        s_current = this;
        SetPauseHook(&LogPause);
        g_fakeDevice = &hid;
        loader.Add(CDeviceLibrary::kLibraryName, {reinterpret_cast<void*>(&CreateFakeDevice),
                                                  reinterpret_cast<void*>(&DeleteNothing)});
        return true;
    }
    struct PauseHookReset {
        ~PauseHookReset() {
            SetPauseHook(nullptr);
            s_current = nullptr;
        }
    };

    // What the parser thread does for one line: snapshot, dispatch, watch
    // (with the snapshot).
    void Line(const std::string& text) {
        int id = 0, status = -1;
        store.GetCurrentCallId(&id);
        store.GetCurrentCallStatus(&status);
        dispatcher.Dispatch(text, id, status);
        dispatcher.WatchSkypeDialogs(id);
    }

    void SetCurrent(int id, int status) {
        store.SetCurrentCallId(id);
        store.SetCurrentCallStatus(status);
    }
    void SetSecond(int id, int status) {
        store.SetSecondCallId(id);
        store.SetSecondCallStatus(status);
    }
    int CurrentId() {
        int v = 0;
        store.GetCurrentCallId(&v);
        return v;
    }
    int CurrentStatus() {
        int v = 0;
        store.GetCurrentCallStatus(&v);
        return v;
    }
    int CurrentType() {
        int v = 0;
        store.GetCurrentCallType(&v);
        return v;
    }
    int SecondId() {
        int v = 0;
        store.GetSecondCallId(&v);
        return v;
    }
    int SecondStatus() {
        int v = 0;
        store.GetSecondCallStatus(&v);
        return v;
    }
    std::string CurrentName() {
        char text[CSessionStore::kTextBufferSize];
        store.GetCurrentCallPartnerName(text);
        return text;
    }

    HistoryView History(int id) {
        HistoryView view;
        for (int mode : {0, 1, 2}) {
            store.ResetBrowse();
            store.SetBrowseMode(mode);
            int found = 0, first = 0;
            for (int skip = 0; Succeeded(store.SelectNextCall(0, skip, &found)); skip = 1) {
                if (found == first) break;  // the browse came round: not in this list
                if (first == 0) first = found;
                if (found != id) continue;
                store.RefreshSelection(id);
                char text[CSessionStore::kTextBufferSize];
                view.found = true;
                store.GetSelectedType(&view.type);
                store.GetSelectedStatus(&view.status);
                store.GetSelectedSeen(&view.seen);
                if (Succeeded(store.GetSelectedPartnerName(text))) view.name = text;
                if (Succeeded(store.GetSelectedPartnerHandle(text))) view.handle = text;
                return view;
            }
        }
        return view;
    }

    PauseHookReset pauseHookReset;  // goes last
    Events log;
    std::map<std::uint8_t, std::int32_t> contentAtSend;
    bool displayEnabled = true;
    bool fontsSupported = true;

    FakeModuleLoader loader;
    LoggingShell shell{log};
    ::testing::NiceMock<MockHidDevice> hid;
    ::testing::NiceMock<MockLcdRenderer> renderer;
    bool prepared = Prepare();
    CDeviceLibrary device{loader, shell};
    FakeDesktop desktop;
    ::testing::NiceMock<MockSkypeLink> link;
    ::testing::NiceMock<MockCallerDetails> caller;
    ::testing::NiceMock<MockUserLines> users;
    ::testing::NiceMock<MockHistoryLines> history;
    CSessionStore store;
    CCallStateMachine calls{link, device, shell, desktop, history};
    CNotificationDispatcher dispatcher{calls, users, history, device, desktop};
};

}  // namespace kestrava::testing
