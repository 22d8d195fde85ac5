// The program's life: start-up in its fixed order, the message loop, and the
// shutdown in its fixed order. Every ending returns 0.
#pragma once

#include <memory>

#include "app/AudioDeviceSettings.h"
#include "app/AudioRouting.h"
#include "app/CallPath.h"
#include "app/DialogSeams.h"
#include "app/EngineLink.h"
#include "app/MainWindow.h"
#include "app/RendererBinding.h"
#include "app/ShellLinks.h"
#include "app/ShellState.h"
#include "app/TrayIcon.h"
#include "audio/HandsetMixers.h"
#include "handset/CDeviceLibrary.h"
#include "platform/Platform.h"
#include "protocol/CSkypeEngine.h"
#include "session/CListManager.h"
#include "session/CSessionStore.h"

namespace kestrava {

class Application {
  public:
    Application(Platform& platform, CDeviceLibrary& device);

    int Run();

    ShellState& State() { return m_shell; }
    ShellLinks& Links() { return m_links; }
    // The Audio Device Settings dialog's logic, for the dialog procedure.
    AudioDeviceSettings& AudioDevices() { return m_audioDevices; }
    // The session store while it exists (tests and diagnostics look at it).
    CSessionStore* SessionStore() { return m_store.get(); }
    // The Skype link while it exists (tests and diagnostics look at it).
    CSkypeEngine* Engine() { return m_engine.get(); }
    // Set before Run: watches every command to Skype from the engine's start.
    void SetOutgoingObserver(CSkypeEngine::OutgoingObserver* observer) {
        m_outgoingObserver = observer;
    }

  private:
    bool StartUp();
    void ShutDown();
    void LoadConfiguration();
    void LoadFonts();
    void CreateSessionStore();
    void CreateContactList();
    void AttachCallPath();
    bool CreateTrayIcon(WindowHandle window, const std::string& title, const std::string& icon);
    void DestroyTrayIcon();
    // Stops every thread that reads the session, then frees it.
    void TearDownSession();

    Platform& m_platform;
    CDeviceLibrary& m_device;
    ShellState m_shell;
    // Before everything that uses the mixer controls: the engine's link
    // worker asks for the device name until the engine is gone.
    HandsetMixers m_mixers;
    // Built before the links, which call the routing from the engine's threads.
    AudioRouting m_audioRouting;
    AudioDeviceSettings m_audioDevices;
    ShellLinks m_links;
    RendererBinding m_renderer;
    MainWindow m_mainWindow;
    CTrayIcon m_tray;
    // The settings dialogs' faders and the Audio Device Settings window.
    MixerVolumeFaders m_volumeFaders;
    AudioDevicesWindow m_audioDevicesWindow;
    EngineLink m_engineLink;
    std::unique_ptr<CSkypeEngine> m_engine;
    std::unique_ptr<CallPath> m_callPath;
    std::unique_ptr<CSessionStore> m_store;
    std::unique_ptr<CListManager> m_contacts;
    bool m_classRegistered = false;
    CSkypeEngine::OutgoingObserver* m_outgoingObserver = nullptr;
};

}  // namespace kestrava
