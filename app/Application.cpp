#include "app/Application.h"

#include "app/ShellConstants.h"
#include "platform/Paths.h"
#include "platform/Pause.h"

namespace kestrava {

Application::Application(Platform& platform, CDeviceLibrary& device)
    : m_platform(platform),
      m_device(device),
      m_mixers(
          platform.audio, [this](const std::string& text) { m_links.Report("mixer: " + text); },
          platform.endpoints),
      m_audioRouting(platform.registry, platform.audio, platform.endpoints),
      m_audioDevices(platform.registry, platform.audio, m_shell.SupportAutoSwitchSystemAudioDevice),
      m_links(m_shell, platform.windows, device, m_mixers),
      m_renderer(platform.modules, platform.shell),
      m_mainWindow(m_shell, platform, device, m_links, m_mixers),
      m_tray(platform.tray, platform.strings, platform.windows),
      m_volumeFaders(m_mixers),
      m_audioDevicesWindow(platform.dialogs, platform.windows, platform.strings, m_audioDevices) {
    m_audioDevices.SetEndpoints(platform.endpoints);
    m_links.SetAudioRouting(&m_audioRouting);
    m_mainWindow.Dialogs().SetFaders(&m_volumeFaders);
    m_mainWindow.Dialogs().SetAudioDevicesProcedure(
        [this](WindowHandle dialog, std::uint32_t message, WParam wParam, LParam lParam) {
            return m_audioDevicesWindow.Procedure(dialog, message, wParam, lParam);
        });
}

int Application::Run() {
    if (StartUp()) {
        m_platform.windows.RunMessageLoop();
        ShutDown();
    } else {
        DestroyTrayIcon();
        if (WindowHandle window = m_shell.mainWindow.exchange(0)) {
            m_platform.windows.DestroyWindow(window);
        }
        if (m_classRegistered) m_platform.windows.UnregisterWindowClass(kMainWindowClass);
    }
    TearDownSession();
    return 0;
}

bool Application::StartUp() {
    WindowSystem& windows = m_platform.windows;
    m_shell.attachMessage = windows.RegisterMessage(kAttachMessageName);
    m_shell.discoverMessage = windows.RegisterMessage(kDiscoverMessageName);
    if (m_shell.attachMessage == 0 || m_shell.discoverMessage == 0) return false;

    m_device.SetWindowSystem(&windows);
    m_engine = std::make_unique<CSkypeEngine>(m_shell, windows, m_links, m_links);
    m_engine->SetOutgoingObserver(m_outgoingObserver);
    m_mainWindow.SetEngine(m_engine.get());
    m_engineLink.SetEngine(m_engine.get());
    m_callPath = std::make_unique<CallPath>(m_platform, m_device, m_shell, m_engineLink, *m_engine,
                                            m_mixers);
    m_links.SetLineHandler(&m_callPath->Dispatcher());

    m_shell.moduleDirectory = DirectoryOf(m_platform.modules.ExecutablePath());
    LoadConfiguration();

    // One copy per window title: a second start with the same title ends here.
    char title[CSkypeEngine::kTextBufferSize] = {};
    m_engine->GetApiWindowName(title);
    std::string windowTitle = title;
    if (m_platform.desktop.FindTopLevelWindow(kMainWindowClass, &windowTitle)) return false;

    char icon[CSkypeEngine::kTextBufferSize] = {};
    m_engine->GetIconFileNoHW(icon);
    if (!windows.RegisterWindowClass(kMainWindowClass, icon)) return false;
    m_classRegistered = true;

    WindowHandle window =
        windows.CreateHiddenWindow(kMainWindowClass, windowTitle,
                                   [this](WindowHandle w, std::uint32_t m, WParam wp, LParam lp) {
                                       return m_mainWindow.Procedure(w, m, wp, lp);
                                   });
    if (window == 0) return false;
    m_shell.mainWindow = window;
    m_links.Report("shell: main window \"" + windowTitle + "\" created");
    if (m_shell.SupportSky && !CreateTrayIcon(window, windowTitle, icon)) return false;

    if (!m_renderer.Bind(m_device, *m_engine, m_device.m_bSupportARF)) return false;

    if (m_device.Reconnect()) {
        CreateSessionStore();
        if (!m_device.StartInput(window)) {
            m_device.StopReading();
            return false;
        }
        m_mainWindow.OpenMixerControls();
        CreateContactList();
        AttachCallPath();
        LoadFonts();
        m_mainWindow.RequestLinkAction(API_ACTION_DISCOVER);
        m_device.handsetPresent = 1;
        // Once the handset counts as present, so that the tray shows it.
        m_engine->UpdateTrayState();
        m_links.Report("handset: found at start");
    } else {
        CreateContactList();
        CreateSessionStore();
        AttachCallPath();
        m_device.handsetPresent = 0;
        m_shell.g_bHandsetAnnounced = 0;
        LoadFonts();
        m_engine->UpdateTrayState();
        m_links.Report("handset: not found at start, waiting for it");
    }
    return true;
}

void Application::LoadConfiguration() {
    int fontSupported = 1, supportSky = 1, supportHideWindows = 1, supportAgc = 0, autoRunSkype = 0,
        autoSwitchAudio = 0, autoSwitchSystemAudio = 0, focusAddressBook = 0, supportArf = 0,
        limitCalls = 0;
    m_engine->LoadConfiguration(m_shell.moduleDirectory.c_str(), &fontSupported, &supportSky,
                                &supportHideWindows, &supportAgc, &autoRunSkype, &autoSwitchAudio,
                                &autoSwitchSystemAudio, &focusAddressBook, &supportArf,
                                &limitCalls);
    m_device.m_bFontsSupported = fontSupported;
    m_shell.SupportSky = supportSky;
    m_device.m_bSupportHideWindows = supportHideWindows;
    m_device.m_bSupportAGC = supportAgc;
    m_shell.SupportAutoRunSkype = autoRunSkype;
    m_shell.SupportAutoSwitchAudioDevice = autoSwitchAudio;
    m_shell.SupportAutoSwitchSystemAudioDevice = autoSwitchSystemAudio;
    m_device.m_bSupportFocusAddressBook = focusAddressBook;
    m_device.m_bSupportARF = supportArf;
    m_shell.SupportLimitCalls = limitCalls;
    int reg04 = 16, reg1C = 8;
    m_engine->GetCodecRegisterDefaults(&reg04, &reg1C);
    m_device.m_nReg04Value = reg04;
    m_device.m_nReg1CValue = reg1C;
}

bool Application::CreateTrayIcon(WindowHandle window, const std::string& title,
                                 const std::string& icon) {
    NotifyArea::IconHandle noHandset = m_platform.tray.LoadIconFile(icon);
    if (!m_tray.Create(window, WM_TRAY_NOTIFY, title, noHandset, kTrayIconId, false)) {
        m_links.Report("shell: the tray icon cannot be created");
        return false;
    }
    m_mainWindow.SetTray(&m_tray);
    m_links.SetTray(&m_tray);
    return true;
}

// On the main thread, which made the tray's message window.
void Application::DestroyTrayIcon() {
    m_links.SetTray(nullptr);
    m_mainWindow.SetTray(nullptr);
    m_tray.Destroy();
}

void Application::CreateSessionStore() {
    m_store = std::make_unique<CSessionStore>();
    m_links.SetSessionStore(m_store.get());
}

void Application::CreateContactList() {
    m_contacts = std::make_unique<CListManager>(&m_engineLink);
    m_links.SetContactList(m_contacts.get());
}

void Application::AttachCallPath() {
    m_callPath->AttachSession(*m_store, *m_contacts);
    m_links.SetButtonHandler(m_callPath->Buttons());
}

// The input and upload workers stop first, then the engine (its parser writes
// the store and the contact list), and only then do those two go. The contact
// list is let go after the engine rather than before it, because the parser
// runs until the engine is destroyed.
void Application::TearDownSession() {
    m_device.StopWorkers();
    m_mainWindow.SetEngine(nullptr);
    m_links.SetLineHandler(nullptr);
    m_engineLink.SetEngine(nullptr);
    m_engine.reset();
    m_links.SetButtonHandler(nullptr);
    if (m_callPath) m_callPath->DetachSession();
    m_callPath.reset();
    m_links.SetContactList(nullptr);
    m_contacts.reset();
    m_links.SetSessionStore(nullptr);
    m_store.reset();
}

void Application::LoadFonts() {
    if (CLcdRenderer* renderer = m_renderer.Renderer()) {
        renderer->LoadFonts(m_shell.moduleDirectory.c_str());
    }
}

void Application::ShutDown() {
    // The workers stop while the handset is still there: a transfer's units
    // written after the release each fail their every attempt, and the
    // offline command must not land between two of them.
    m_device.StopWorkers();
    m_device.SendCommand(HS_STATUS_OFFLINE);
    m_shell.g_bHandsetAnnounced = 0;
    m_device.Release();
    // No change notice may reach the window once it is gone.
    m_mainWindow.CloseMixerControls();
    Pause(std::chrono::milliseconds(20));
    m_platform.windows.KillTimer(m_shell.mainWindow.load(), IDT_DEVICE_RECHECK);
    TearDownSession();
    DestroyTrayIcon();
    m_renderer.DeleteRenderer();
    m_renderer.UnloadModule();
    if (WindowHandle window = m_shell.mainWindow.load()) m_platform.windows.DestroyWindow(window);
    if (m_classRegistered) m_platform.windows.UnregisterWindowClass(kMainWindowClass);
    m_links.Report("shell: stopped");
}

}  // namespace kestrava
