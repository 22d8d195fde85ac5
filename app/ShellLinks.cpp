#include "app/ShellLinks.h"

#include "app/ShellConstants.h"
#include "handset/HandsetCommands.h"
#include "handset/TransferControl.h"

namespace kestrava {

namespace {
constexpr int kNoCall = -1;
constexpr int kTrayTipConnected = 13;  // "connect normal"
// As the ring's stop: the worker stops after the unit in progress.
constexpr auto kTransferSettle = std::chrono::milliseconds(20);
}  // namespace

ShellLinks::ShellLinks(ShellState& shell, WindowSystem& windows, CDeviceLibrary& device,
                       HandsetMixers& mixers)
    : m_shell(shell), m_windows(windows), m_device(device), m_mixers(mixers) {}

void ShellLinks::Report(const std::string& event) const {
    if (m_trace) m_trace(event);
}

void ShellLinks::PreferNonHandsetDevices() {
    if (AudioRouting* routing = m_routing.load()) routing->PreferNonHandsetDevices();
}

// The speaker fader's device: the handset's codec, its name in UTF-8.
std::string ShellLinks::HandsetAudioDeviceName() {
    return m_mixers.HandsetAudioDeviceName();
}

void ShellLinks::ResetCurrentCall() {
    if (CSessionStore* store = m_store.load()) store->ResetCurrentCall();
}

void ShellLinks::ResetSecondCall() {
    if (CSessionStore* store = m_store.load()) store->ResetSecondCall();
}

void ShellLinks::ResetBrowse() {
    if (CSessionStore* store = m_store.load()) store->ResetBrowse();
}

void ShellLinks::ClearCalls() {
    if (CSessionStore* store = m_store.load()) store->ClearCalls();
}

int ShellLinks::CurrentCallId() {
    int id = 0;
    if (CSessionStore* store = m_store.load()) store->GetCurrentCallId(&id);
    return id;
}

int ShellLinks::CurrentCallStatus() {
    int status = kNoCall;
    if (CSessionStore* store = m_store.load()) store->GetCurrentCallStatus(&status);
    return status;
}

int ShellLinks::CountUnseenMissedCalls() {
    int count = 0;
    if (CSessionStore* store = m_store.load()) store->CountUnseenMissedCalls(&count);
    return count;
}

void ShellLinks::ResetContactCursor() {
    if (CListManager* contacts = m_contacts.load()) contacts->ResetContactCursor();
}

void ShellLinks::ClearContacts() {
    if (CListManager* contacts = m_contacts.load()) contacts->ClearContacts();
}

void ShellLinks::HandleButton(int buttonCode) {
    if (ButtonHandler* buttons = m_buttons.load()) buttons->HandleButton(buttonCode);
}

void ShellLinks::SetLinkReady(int ready) {
    m_device.m_bLinkReady = ready;
}

bool ShellLinks::HandsetPresent() {
    return m_device.handsetPresent != 0;
}

bool ShellLinks::SendHandsetCommand(std::uint8_t command) {
    return m_device.SendCommand(command);
}

bool ShellLinks::HandsetBrowsing() {
    return (m_device.m_nDisplayContent & (display::kContactList | display::kCallList)) != 0;
}

void ShellLinks::SetHandsetResync(int resync) {
    m_device.m_bResync = resync;
}

void ShellLinks::SetDisplayContent(int content) {
    m_device.m_nDisplayContent = content;
}

void ShellLinks::AddDisplayContent(int bits) {
    m_device.m_nDisplayContent |= bits;
}

void ShellLinks::StopHandsetTransfer() {
    kestrava::StopHandsetTransfer(m_device, kTransferSettle);
}

void ShellLinks::RestartFocusTimer() {
    if (WindowHandle window = m_shell.mainWindow.load()) {
        m_windows.Post(window, WM_RESTART_FOCUS_TIMER, 0, 0);
    }
}

// The tooltip first, then the icon: a missing icon file leaves the old icon
// but the tooltip still tells the state.
void ShellLinks::ShowTrayState(const std::string& iconFile, int tipStringId) {
    Report(tipStringId == kTrayTipConnected ? "tray: connected" : "tray: not connected");
    if (CTrayIcon* tray = m_tray.load()) {
        tray->SetTooltipFromString(tipStringId);
        tray->SetIconFromFile(iconFile);
    }
}

void ShellLinks::Dispatch(const std::string& line, int currentCallId, int currentCallStatus) {
    if (NotificationDispatcher* lines = m_lines.load()) {
        lines->Dispatch(line, currentCallId, currentCallStatus);
    }
}

void ShellLinks::WatchSkypeDialogs(int currentCallId) {
    if (NotificationDispatcher* lines = m_lines.load()) lines->WatchSkypeDialogs(currentCallId);
}

// The engine reads this before every wait, so a handler wired later is seen
// from the next line on.
std::chrono::milliseconds ShellLinks::IdleWatchInterval() const {
    NotificationDispatcher* lines = m_lines.load();
    return lines ? lines->IdleWatchInterval() : std::chrono::milliseconds{};
}

}  // namespace kestrava
