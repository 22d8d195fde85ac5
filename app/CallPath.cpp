#include "app/CallPath.h"

namespace kestrava {

CallPath::CallPath(Platform& platform, CDeviceLibrary& device, ShellState& shell, SkypeLink& link,
                   CSkypeEngine& engine, HandsetAudio& faders)
    : m_device(device),
      m_shell(shell),
      m_link(link),
      m_shellServices(platform.shell),
      m_faders(faders),
      m_skypeWindows(platform.desktop, shell),
      m_keystrokes(platform.desktop),
      m_contactDialog(platform.dialogs, platform.windows),
      m_userLines(link, engine, device, shell),
      m_historyLines(link, engine),
      m_calls(link, device, platform.shell, platform.desktop, m_historyLines),
      m_dispatcher(m_calls, m_userLines, m_historyLines, device, platform.desktop) {}

void CallPath::AttachSession(CSessionStore& store, CListManager& contacts) {
    m_contactView = std::make_unique<ListManagerView>(contacts);
    m_callerDetails = std::make_unique<ListManagerCallerDetails>(contacts);
    m_contactDialog.SetSources(&store, &contacts);
    m_buttons = std::make_unique<CButtonHandler>(m_device, store, contacts, m_link, m_skypeWindows,
                                                 m_keystrokes, m_contactDialog);
    m_keypad = std::make_unique<CKeypad>(m_device, store, contacts, m_link, m_skypeWindows,
                                         m_contactDialog, m_faders, m_shellServices, *m_buttons);
    m_decoder = std::make_unique<CInputDecoder>(m_device, store, *m_contactView, m_link, *m_keypad,
                                                m_faders, m_shell.g_bHandsetAnnounced);
    m_upload = std::make_unique<CUploadWorker>(m_device, store, *m_contactView);
    m_userLines.SetContactList(&contacts);
    m_userLines.SetSessionStore(&store);
    m_historyLines.SetSessionStore(&store);
    m_calls.SetSessionStore(&store);
    m_calls.SetCallerDetails(m_callerDetails.get());
    m_device.SetUploadRunner(m_upload.get());
    m_device.SetReportHandler(m_decoder.get());
}

void CallPath::DetachSession() {
    m_contactDialog.Shutdown();
    m_device.SetReportHandler(nullptr);
    m_device.SetUploadRunner(nullptr);
    m_calls.SetCallerDetails(nullptr);
    m_calls.SetSessionStore(nullptr);
    m_historyLines.SetSessionStore(nullptr);
    m_userLines.SetSessionStore(nullptr);
    m_userLines.SetContactList(nullptr);
    m_decoder.reset();
    m_keypad.reset();
    m_buttons.reset();
    m_upload.reset();
    m_callerDetails.reset();
    m_contactView.reset();
}

}  // namespace kestrava
