// The user and history line handlers behind the real dispatcher and call
// state machine, with a real engine, a real session store and a device
// library over a mocked handset. Everything the handlers
// and the engine do that the handset or Skype would see goes into one event
// log, in order: handset commands, pauses, queued commands, renders, tray tips.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "CallsFixture.h"
#include "Fakes.h"
#include "app/ShellState.h"
#include "handset/CDeviceLibrary.h"
#include "handset/TransferControl.h"
#include "platform/Pause.h"
#include "protocol/CSkypeEngine.h"
#include "protocol/CallHistory.h"
#include "protocol/CallStateMachine.h"
#include "protocol/NotificationDispatcher.h"
#include "protocol/SkypeLink.h"
#include "protocol/UserLines.h"
#include "session/CListManager.h"
#include "session/CSessionStore.h"

namespace kestrava::testing {

class EventLog {
  public:
    void Add(std::string event) {
        std::lock_guard lock(m_mutex);
        m_events.push_back(std::move(event));
    }
    std::vector<std::string> Take() {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_events, {});
    }

  private:
    std::mutex m_mutex;
    std::vector<std::string> m_events;
};

inline EventLog g_events;
inline void LogPause(std::chrono::milliseconds duration) {
    g_events.Add("pause " + std::to_string(duration.count()));
}

inline std::string Hex(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof(text), "0x%02X", value);
    return text;
}

class MockListManager : public CListManager {
  public:
    MOCK_METHOD(HResult, AddContact, (const char*, int), (override));
    MOCK_METHOD(HResult, RemoveContact, (const char*), (override));
    MOCK_METHOD(HResult, ClearContacts, (), (override));
    MOCK_METHOD(HResult, SetContactStatus, (const char*, int), (override));
    MOCK_METHOD(HResult, ResetContactCursor, (), (override));
    MOCK_METHOD(HResult, SetContactName, (const char*, const char*, int), (override));
    MOCK_METHOD(HResult, LoadContacts, (const char*), (override));
    MOCK_METHOD(HResult, SetBalance, (int), (override));
};

// The real store, its clears logged so their order can be seen.
class LoggedStore : public CSessionStore {
  public:
    HResult ClearCalls() override {
        g_events.Add("store ClearCalls");
        return CSessionStore::ClearCalls();
    }
    HResult ResetBrowse() override {
        g_events.Add("store ResetBrowse");
        return CSessionStore::ResetBrowse();
    }
};

class AccountTest : public ::testing::Test {
  protected:
    void SetUp() override {
        using ::testing::_;
        using ::testing::Invoke;
        using ::testing::Return;
        g_events.Take();
        SetPauseHook(&LogPause);

        g_fakeDevice = &hid;
        loader.Add(CDeviceLibrary::kLibraryName, {reinterpret_cast<void*>(&CreateFakeDevice),
                                                  reinterpret_cast<void*>(&DeleteNothing)});
        device = std::make_unique<CDeviceLibrary>(loader, osShell);
        device->AttachRenderer(&renderer);
        ON_CALL(hid, SendCommand(_)).WillByDefault(Invoke([](std::uint8_t command) {
            g_events.Add("handset " + Hex(command));
            return S_OK;
        }));
        ON_CALL(renderer, RenderText(_)).WillByDefault(Invoke([](const char* text) {
            g_events.Add(std::string("render ") + text);
            return S_OK;
        }));

        // The shell's forwarding, as ShellLinks does it.
        ON_CALL(links, CurrentCallId()).WillByDefault(Return(0));
        ON_CALL(links, CurrentCallStatus()).WillByDefault(Return(-1));
        ON_CALL(links, HandsetPresent()).WillByDefault(Invoke([this] {
            return device->handsetPresent != 0;
        }));
        ON_CALL(links, CountUnseenMissedCalls()).WillByDefault(Invoke([this] {
            int count = 0;
            store.CountUnseenMissedCalls(&count);
            return count;
        }));
        ON_CALL(links, SendHandsetCommand(_)).WillByDefault(Invoke([this](std::uint8_t command) {
            return device->SendCommand(command);
        }));
        ON_CALL(links, HandsetBrowsing()).WillByDefault(Invoke([this] {
            return (device->m_nDisplayContent & 0x0C00) != 0;
        }));
        ON_CALL(links, SetHandsetResync(_)).WillByDefault(Invoke([this](int resync) {
            device->m_bResync = resync;
        }));
        ON_CALL(links, SetDisplayContent(_)).WillByDefault(Invoke([this](int content) {
            g_events.Add("content " + Hex(static_cast<unsigned>(content)));
            device->m_nDisplayContent = content;
        }));
        ON_CALL(links, AddDisplayContent(_)).WillByDefault(Invoke([this](int bits) {
            device->m_nDisplayContent |= bits;
        }));
        ON_CALL(links, StopHandsetTransfer()).WillByDefault(Invoke([this] {
            kestrava::StopHandsetTransfer(*device, std::chrono::milliseconds(20));
        }));
        ON_CALL(links, ShowTrayState(_, _)).WillByDefault(Invoke([](const std::string&, int tip) {
            g_events.Add("tray " + std::to_string(tip));
        }));
        auto logged = [](std::string event) {
            return Invoke([event](auto&&...) {
                g_events.Add(event);
                return S_OK;
            });
        };
        ON_CALL(contacts, ClearContacts()).WillByDefault(logged("contacts ClearContacts"));
        ON_CALL(contacts, ResetContactCursor())
            .WillByDefault(logged("contacts ResetContactCursor"));
        ON_CALL(contacts, SetContactName(_, _, _))
            .WillByDefault(Invoke([](const char* handle, const char* text, int length) {
                g_events.Add(std::string("name ") + handle + " '" + text + "' " +
                             std::to_string(length));
                return S_OK;
            }));
        ON_CALL(contacts, SetContactStatus(_, _))
            .WillByDefault(Invoke([](const char* handle, int status) {
                g_events.Add(std::string("status ") + handle + " " + std::to_string(status));
                return S_OK;
            }));
        ON_CALL(contacts, AddContact(_, _))
            .WillByDefault(Invoke([](const char* handle, int status) {
                g_events.Add(std::string("add ") + handle + " " + std::to_string(status));
                return E_FAIL;  // added
            }));
        ON_CALL(contacts, RemoveContact(_)).WillByDefault(Invoke([](const char* handle) {
            g_events.Add(std::string("remove ") + handle);
            return S_OK;
        }));
        ON_CALL(contacts, SetBalance(_)).WillByDefault(Invoke([](int amount) {
            g_events.Add("balance " + std::to_string(amount));
            return S_OK;
        }));
        ON_CALL(contacts, LoadContacts(_)).WillByDefault(Invoke([](const char* text) {
            g_events.Add(std::string("load ") + text);
            return S_OK;
        }));

        engine = std::make_unique<CSkypeEngine>(shell, windows, links, dispatcher);
        engine->SetRenderer(&renderer);

        ON_CALL(link, QueueCommand(_, _, _))
            .WillByDefault(Invoke([](unsigned key, const char* handle, int callId) {
                g_events.Add("queue " + std::to_string(key) + " " + (handle ? handle : "-") + " " +
                             std::to_string(callId));
            }));
        ON_CALL(link, QueueBulkCommand(_, _, _))
            .WillByDefault(Invoke([](unsigned key, const char* handle, int callId) {
                g_events.Add("bulk " + std::to_string(key) + " " + (handle ? handle : "-") + " " +
                             std::to_string(callId));
            }));
        ON_CALL(link, UpdateTrayState()).WillByDefault(Invoke([this] {
            engine->UpdateTrayState();
        }));
        ON_CALL(link, DisplayEnabled()).WillByDefault(Invoke([this] {
            return engine->DisplayEnabled() != 0;
        }));

        users = std::make_unique<CUserLines>(link, *engine, *device, shell);
        users->SetContactList(&contacts);
        users->SetSessionStore(&store);
        history = std::make_unique<CCallHistory>(link, *engine);
        history->SetSessionStore(&store);
        calls = std::make_unique<CCallStateMachine>(link, *device, osShell, desktop, *history);
        calls->SetSessionStore(&store);
        lines =
            std::make_unique<CNotificationDispatcher>(*calls, *users, *history, *device, desktop);
    }

    // One line from Skype while no call is going on.
    void Feed(const std::string& line) { lines->Dispatch(line, 0, -1); }
    // One line with the store's current call as its snapshot, as the parser thread takes it.
    void FeedLive(const std::string& line) {
        int id = 0, status = -1;
        store.GetCurrentCallId(&id);
        store.GetCurrentCallStatus(&status);
        lines->Dispatch(line, id, status);
    }

    void TearDown() override {
        lines.reset();
        calls.reset();
        history.reset();
        users.reset();
        engine.reset();
        device.reset();
        g_fakeDevice = nullptr;
        SetPauseHook(nullptr);
    }

    int OwnStatus() {
        int status = 0;
        engine->GetOwnStatus(&status);
        return status;
    }

    ShellState shell;
    RecordingWindowSystem windows;
    ::testing::NiceMock<MockLinkCollaborators> links;
    ::testing::NiceMock<MockDispatcher> dispatcher;
    FakeModuleLoader loader;
    RecordingShell osShell;
    ::testing::NiceMock<MockHidDevice> hid;
    ::testing::NiceMock<MockLcdRenderer> renderer;
    ::testing::NiceMock<MockSkypeLink> link;
    ::testing::NiceMock<MockListManager> contacts;
    LoggedStore store;
    std::unique_ptr<CDeviceLibrary> device;
    std::unique_ptr<CSkypeEngine> engine;
    std::unique_ptr<CUserLines> users;
    std::unique_ptr<CCallHistory> history;
    FakeDesktop desktop;
    std::unique_ptr<CCallStateMachine> calls;
    std::unique_ptr<CNotificationDispatcher> lines;
};

}  // namespace kestrava::testing
