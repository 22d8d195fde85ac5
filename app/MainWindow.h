// The hidden main window: the single receiver of everything that reaches the
// program from outside (Skype's messages, handset reports, device and power
// notices, timers, menu commands). One procedure over the system's own
// message values; it runs on the main thread only.
#pragma once

#include "app/SettingsDialogs.h"
#include "app/ShellLinks.h"
#include "app/ShellState.h"
#include "handset/CDeviceLibrary.h"
#include "platform/Platform.h"
#include "protocol/CSkypeEngine.h"

namespace kestrava {

class MainWindow {
  public:
    MainWindow(ShellState& shell, Platform& platform, CDeviceLibrary& device, ShellLinks& links);

    // The engine is created before the window and destroyed after the loop.
    void SetEngine(CSkypeEngine* engine) {
        m_engine = engine;
        m_settings.SetEngine(engine);
    }

    // The tray menu's settings dialogs; the shell wires their faders and the
    // Audio Device Settings procedure here.
    SettingsDialogs& Dialogs() { return m_settings; }

    LParam Procedure(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);

    // Requests a link action on the engine's link worker.
    void RequestLinkAction(int action);

  private:
    LParam OnCommand(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);
    LParam OnTimer(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);
    LParam OnAttach(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);
    bool RecheckDevice();
    void Suspend();
    void Resume();
    void HandsetLost(bool stopTransfer);
    void StopHandsetTransfer();
    void OpenMixerControls();
    void CloseMixerControls();
    void StartSkypeClientIfMissing();
    void UpdateTrayState();

    ShellState& m_shell;
    Platform& m_platform;
    CDeviceLibrary& m_device;
    ShellLinks& m_links;
    CSkypeEngine* m_engine = nullptr;
    SettingsDialogs m_settings;
};

}  // namespace kestrava
