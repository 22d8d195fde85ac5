#include "app/MainWindow.h"

#include "app/ShellConstants.h"
#include "handset/SkypeWindows.h"
#include "handset/TransferControl.h"
#include "platform/Pause.h"

namespace kestrava {

namespace {
constexpr LParam kHandled = 1;
}  // namespace

MainWindow::MainWindow(ShellState& shell, Platform& platform, CDeviceLibrary& device,
                       ShellLinks& links, HandsetMixers& mixers)
    : m_shell(shell),
      m_platform(platform),
      m_device(device),
      m_links(links),
      m_mixers(mixers),
      m_launcher(platform.registry, platform.shell),
      m_settings(platform.dialogs, shell) {}

void MainWindow::RequestLinkAction(int action) {
    if (!m_engine) return;
    m_engine->SetApiAction(action);
    m_engine->StartApiThread();
}

void MainWindow::UpdateTrayState() {
    if (m_engine) m_engine->UpdateTrayState();
}

LParam MainWindow::Procedure(WindowHandle window, std::uint32_t message, WParam wParam,
                             LParam lParam) {
    WindowSystem& windows = m_platform.windows;
    if (message != 0 && message == m_shell.attachMessage.load()) {
        return OnAttach(window, message, wParam, lParam);
    }
    switch (message) {
        case msg::kDestroy:
            m_platform.shell.PulseNamedMutex(kExitSignalName, std::chrono::milliseconds(300));
            m_shell.mainWindow = 0;
            windows.PostQuit(0);
            break;
        case msg::kCopyData:
            if (wParam != 0 && wParam == m_shell.skypeApiWindow.load()) {
                if (m_engine) m_engine->EnqueueIncoming(TextOfCopyData(lParam).c_str());
                return kHandled;
            }
            break;
        case msg::kTimer:
            return OnTimer(window, message, wParam, lParam);
        case msg::kCommand:
            return OnCommand(window, message, wParam, lParam);
        case msg::kPowerBroadcast:
            if (wParam == power::kSuspend || wParam == power::kStandby) {
                Suspend();
            } else if (wParam == power::kResumeAutomatic || wParam == power::kResumeSuspend ||
                       wParam == power::kResumeStandby) {
                // A wake by the person brings two notices: the first reopens.
                if (m_suspended) Resume();
            } else if (wParam == power::kResumeCritical) {
                // Its suspend was not announced; an automatic resume may follow.
                Resume();
            }
            break;
        case msg::kDeviceChange:
            if (wParam == kDeviceNodesChanged) {
                // One re-check serves a whole burst of notices.
                if (m_shell.recheckArmed.exchange(1) == 0) {
                    windows.SetTimer(window, IDT_DEVICE_RECHECK, kDeviceRecheckDelayMs);
                }
                return kHandled;
            }
            break;
        case msg::kMixerControlChange:
            // During a call the microphone's level is held above its floor.
            m_mixers.OnMixerControlChange(wParam, lParam, m_links.CurrentCallStatus());
            return kHandled;
        case WM_HANDSET_REPORT:
            m_device.QueueReport(wParam, lParam);
            break;
        case WM_TRAY_NOTIFY:
            return m_tray ? m_tray->OnTrayNotification(wParam, lParam) : 0;
        case WM_RESTART_FOCUS_TIMER:
            windows.KillTimer(window, IDT_SKYPE_FOCUS);
            windows.SetTimer(window, IDT_SKYPE_FOCUS, kSkypeFocusPeriodMs);
            return kHandled;
        default:
            break;
    }
    return windows.DefaultProcedure(window, message, wParam, lParam);
}

LParam MainWindow::OnAttach(WindowHandle window, std::uint32_t message, WParam wParam,
                            LParam lParam) {
    if (lParam == kAttachSuccess) {
        m_shell.skypeApiWindow = wParam;
        m_links.Report("link: attached to Skype");
        RequestLinkAction(API_ACTION_ATTACHED);
        // The navigation keys click Skype's page control and background grid.
        SkypeWindows(m_platform.desktop, m_shell).FindChildWindows();
        return kHandled;
    }
    if (lParam == kAttachApiAvailable) {
        m_links.Report("link: Skype announced its API, discovering");
        RequestLinkAction(API_ACTION_DISCOVER);
    } else {
        m_links.Report("link: attach status " + std::to_string(lParam));
    }
    return m_platform.windows.DefaultProcedure(window, message, wParam, lParam);
}

LParam MainWindow::OnTimer(WindowHandle window, std::uint32_t message, WParam wParam,
                           LParam lParam) {
    if (wParam == IDT_SKYPE_FOCUS) {
        WindowHandle skype =
            m_platform.desktop.FindTopLevelWindow(SkypeWindows::kMainWindowClass, nullptr);
        // Not while a transfer streams: a one-byte command between two units
        // looks like a character unit to the handset and would be drawn. The
        // next tick, 100 ms later, reports the focus once the transfer is over.
        if (m_device.m_bTransferActive.load()) {
            return m_platform.windows.DefaultProcedure(window, message, wParam, lParam);
        }
        if (skype && m_platform.desktop.IsWindow(skype)) {
            bool focused = m_platform.desktop.ForegroundWindow() == skype;
            m_device.SendCommand(focused ? HS_SKYPE_FOCUS : HS_SKYPE_NOFOCUS);
        }
    } else if (wParam == IDT_DEVICE_RECHECK) {
        if (RecheckDevice()) return kHandled;
    }
    return m_platform.windows.DefaultProcedure(window, message, wParam, lParam);
}

LParam MainWindow::OnCommand(WindowHandle window, std::uint32_t message, WParam wParam,
                             LParam lParam) {
    switch (LowWord(wParam)) {
        case IDM_EXIT:
            m_links.Report("shell: exit requested");
            RequestLinkAction(API_ACTION_DETACH);
            m_platform.windows.KillTimer(window, IDT_DEVICE_RECHECK);
            if (m_tray) m_tray->RemoveIcon();
            Pause(std::chrono::milliseconds(50));
            m_platform.windows.DestroyWindow(m_shell.mainWindow.load());
            return kHandled;
        // A dialog that is open already is not opened again; the command is
        // answered all the same. About has no such guard.
        case IDM_ABOUT:
            m_settings.ShowAbout();
            return kHandled;
        case IDM_VOLUME:
            m_settings.ShowVolumeControl();
            return kHandled;
        case IDM_ADVANCED:
            m_settings.ShowAdvancedSettings();
            return kHandled;
        case IDM_AUDIO_DEVICES:
            m_settings.ShowAudioDeviceSettings();
            return kHandled;
        default:
            break;  // 40003 to 40006 and anything else: default processing
    }
    return m_platform.windows.DefaultProcedure(window, message, wParam, lParam);
}

// ---------------------------------------------------------------------------
// Handset arrival and loss

bool MainWindow::RecheckDevice() {
    WindowHandle window = m_shell.mainWindow.load();
    m_platform.windows.KillTimer(window, IDT_DEVICE_RECHECK);
    bool wasPresent = m_device.handsetPresent != 0;
    if (!m_device.Reconnect()) {
        m_shell.g_bHandsetAnnounced = 0;
        RequestLinkAction(API_ACTION_DETACH);
        CloseMixerControls();
        if (wasPresent) StopHandsetTransfer();
        m_device.handsetPresent = 0;
        UpdateTrayState();
        m_shell.recheckArmed = 0;
        m_links.Report("handset: not found");
        return false;
    }
    RequestLinkAction(API_ACTION_ROUTE_AUDIO);
    if (!m_device.StartInput(window)) {
        HandsetLost(true);
        return false;
    }
    if (!wasPresent) {
        m_links.Report("handset: arrived");
        OpenMixerControls();
        m_links.ResetContactCursor();
        m_links.ResetBrowse();
        StartSkypeClientIfMissing();
        RequestLinkAction(API_ACTION_DISCOVER);
        m_device.m_nDisplayContent = 0;
    }
    m_device.handsetPresent = 1;
    m_shell.recheckArmed = 0;
    return true;
}

void MainWindow::HandsetLost(bool stopTransfer) {
    m_shell.g_bHandsetAnnounced = 0;
    RequestLinkAction(API_ACTION_DETACH);
    if (stopTransfer) StopHandsetTransfer();
    m_device.handsetPresent = 0;
    UpdateTrayState();
    m_shell.recheckArmed = 0;
    m_links.Report("handset: lost");
}

void MainWindow::Suspend() {
    m_suspended = true;
    m_device.handsetPresent = 0;
    CloseMixerControls();
    m_platform.windows.KillTimer(m_shell.mainWindow.load(), IDT_DEVICE_RECHECK);
    m_device.FlushInput();
    m_shell.recheckArmed = 0;
    m_links.Report("power: suspend");
}

void MainWindow::Resume() {
    m_suspended = false;
    WindowHandle window = m_shell.mainWindow.load();
    bool wasPresent = m_device.handsetPresent != 0;
    if (!m_device.Reconnect()) {
        CloseMixerControls();
        if (wasPresent) {
            RequestLinkAction(API_ACTION_DETACH);
            StopHandsetTransfer();
        }
        m_device.handsetPresent = 0;
        UpdateTrayState();
        m_shell.recheckArmed = 0;
        return;
    }
    if (!m_device.StartInput(window)) {
        RequestLinkAction(API_ACTION_DETACH);
        StopHandsetTransfer();
        m_device.handsetPresent = 0;
        UpdateTrayState();
        m_shell.recheckArmed = 0;
        return;
    }
    OpenMixerControls();
    m_links.ResetCurrentCall();
    m_links.ResetSecondCall();
    m_links.ResetContactCursor();
    m_links.ResetBrowse();
    StartSkypeClientIfMissing();
    RequestLinkAction(API_ACTION_DISCOVER);
    m_device.handsetPresent = 1;
    m_device.m_nDisplayContent = 0;
    m_shell.recheckArmed = 0;
    m_links.Report("power: resumed with the handset");
}

void MainWindow::StopHandsetTransfer() {
    kestrava::StopHandsetTransfer(m_device, std::chrono::milliseconds(10));
}

void MainWindow::OpenMixerControls() {
    if (m_mixers.Open(m_shell.mainWindow.load())) {
        m_links.Report("mixer: opened \"" + m_mixers.HandsetAudioDeviceName() + "\"");
    } else {
        m_links.Report("mixer: the handset's controls are not all there");
    }
}

void MainWindow::CloseMixerControls() {
    m_mixers.Close();
}

void MainWindow::StartSkypeClientIfMissing() {
    if (m_platform.desktop.FindTopLevelWindow(SkypeWindows::kMainWindowClass, nullptr) == 0 &&
        m_shell.SupportAutoRunSkype) {
        m_links.Report("skype: starting the client");
        m_launcher.StartSkypeClient(m_shell.mainWindow.load());
    }
}

}  // namespace kestrava
