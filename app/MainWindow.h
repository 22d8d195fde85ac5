// The hidden main window: the single receiver of everything that reaches the
// program from outside (Skype's messages, handset reports, device and power
// notices, timers, menu commands). One procedure over the system's own
// message values; it runs on the main thread only.
#pragma once

#include "app/SettingsDialogs.h"
#include "app/ShellLinks.h"
#include "app/ShellState.h"
#include "app/SkypeLauncher.h"
#include "audio/HandsetMixers.h"
#include "handset/CDeviceLibrary.h"
#include "platform/Platform.h"
#include "protocol/CSkypeEngine.h"

namespace kestrava {

class MainWindow {
  public:
    MainWindow(ShellState& shell, Platform& platform, CDeviceLibrary& device, ShellLinks& links,
               HandsetMixers& mixers);

    // The engine is created before the window and destroyed after the loop.
    void SetEngine(CSkypeEngine* engine) {
        m_engine = engine;
        m_settings.SetEngine(engine);
    }

    // The tray menu's settings dialogs; the shell wires their faders and the
    // Audio Device Settings procedure here.
    SettingsDialogs& Dialogs() { return m_settings; }
    // The tray icon, when the shell has one (main thread only).
    void SetTray(CTrayIcon* tray) { m_tray = tray; }

    LParam Procedure(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);

    // Requests a link action on the engine's link worker.
    void RequestLinkAction(int action);

    // The handset's four mixer controls, with change notices to the main
    // window; at start, on arrival and on resume, and closed again when the
    // handset goes.
    void OpenMixerControls();
    void CloseMixerControls();

  private:
    LParam OnCommand(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);
    LParam OnTimer(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);
    LParam OnAttach(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);
    bool RecheckDevice();
    void Suspend();
    void Resume();
    void HandsetLost(bool stopTransfer);
    void StopHandsetTransfer();
    void StartSkypeClientIfMissing();
    void UpdateTrayState();

    ShellState& m_shell;
    Platform& m_platform;
    CDeviceLibrary& m_device;
    ShellLinks& m_links;
    HandsetMixers& m_mixers;
    CSkypeEngine* m_engine = nullptr;
    CTrayIcon* m_tray = nullptr;
    // Between a suspend notice and the first resume notice after it.
    bool m_suspended = false;
    SkypeLauncher m_launcher;
    SettingsDialogs m_settings;
};

}  // namespace kestrava
