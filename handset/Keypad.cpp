#include "handset/Keypad.h"

#include <chrono>

#include "CLcdRenderer.h"
#include "handset/ButtonHandler.h"
#include "handset/CDeviceLibrary.h"
#include "handset/CallDetailRequests.h"
#include "handset/ContactActionDialog.h"
#include "handset/HandsetCommands.h"
#include "handset/SkypeWindows.h"
#include "handset/TransferControl.h"
#include "platform/Pause.h"
#include "platform/Shell.h"
#include "protocol/CommandKeys.h"
#include "protocol/SkypeLink.h"
#include "session/CListManager.h"
#include "session/CSessionStore.h"

namespace kestrava {

namespace {

constexpr int kFocusButton = 0x53;
constexpr auto kBalanceRenderPause = std::chrono::milliseconds(20);

// The fader's value kinds.
constexpr int kFaderUp = 0;
constexpr int kFaderDown = 1;

// Keys that are their own button, with no "FOCUS" before them.
bool IsPlainButton(std::uint8_t code) {
    switch (code) {
        case 0x1A:  // stop a running list transfer
        case 0x23:
        case 0x31:
        case 0x72:
        case 0x73:
        case 0x74:
        case 0x75:
        case 0x76:
        case 0x77:
        case 0x78:
        case 0xBF:
            return true;
        default:
            return false;
    }
}

// Keys that type into Skype's dial field: "FOCUS" puts the focus there first.
bool TypesIntoSkype(std::uint8_t code) {
    return (code >= 0xB0 && code <= 0xBB) || code == 0xBE || code == 0x41;
}

}  // namespace

CKeypad::CKeypad(CDeviceLibrary& device, CSessionStore& store, CListManager& list, SkypeLink& link,
                 SkypeWindows& windows, ContactActionDialog& dialog, HandsetAudio& audio,
                 Shell& shell, ButtonHandler& buttons)
    : m_device(device),
      m_store(store),
      m_list(list),
      m_link(link),
      m_windows(windows),
      m_dialog(dialog),
      m_audio(audio),
      m_shell(shell),
      m_buttons(buttons) {}

int CKeypad::HandleKeyReport(std::uint32_t report) {
    Key(static_cast<std::uint8_t>(report >> 8));
    return 1;
}

void CKeypad::Key(std::uint8_t code) {
    if (IsPlainButton(code)) {
        m_buttons.HandleButton(code);
        return;
    }
    if (TypesIntoSkype(code)) {
        FocusThen(code);
        return;
    }
    switch (code) {
        case 0x1F:  // hook up
        case 0x20:  // hook down
            m_shell.PurgeSounds();
            m_buttons.HandleButton(code);
            return;
        case 0x21:
            m_link.ShowStatusOnHandset(m_link.OwnStatus());
            return;
        case 0x2B:
            Balance();
            return;
        case 0x2E:
            m_device.m_nDisplayContent.fetch_or(display::kMuteOffKey);
            m_buttons.HandleButton(code);
            return;
        case 0x2F:
            m_device.m_nDisplayContent.fetch_or(display::kMuteOnKey);
            m_buttons.HandleButton(code);
            return;
        case 0x40:
            m_buttons.HandleButton(code);
            m_windows.ClickGridOnDialTab();
            return;
        case kFocusButton:
            m_link.QueueCommand(KEY_SKYPE_FLUSH, nullptr, 0);
            m_buttons.HandleButton(kFocusButton);
            return;
        case 0x54:
            m_windows.CloseMainWindow();
            return;
        case 0x60:
            EnterContactList();
            return;
        case 0x6A:
            FirstEntry(0);
            return;
        case 0x6B:
            FirstEntry(1);
            return;
        case 0x6D:
            FirstMissedCall();
            return;
        case 0x6E:
            EnterCallList();
            return;
        case 0x6F:
            LeaveListMode();
            return;
        case 0xBC:
            Arrow(true, code);
            return;
        case 0xBD:
            Arrow(false, code);
            return;
        case 0xD0:
            m_dialog.ListKey(ContactActionDialog::kRedial);
            return;
        case 0xD2:
            m_dialog.ListKey(ContactActionDialog::kChat);
            return;
        case 0xD3:
            m_dialog.ListKey(ContactActionDialog::kSendFile);
            return;
        case 0xE9:
            m_audio.SetSpeakerFader(kFaderUp, 0);
            return;
        case 0xEA:
            m_audio.SetSpeakerFader(kFaderDown, 0);
            return;
        case 0xEE:
            m_windows.MaximiseToForeground();
            return;
        case 0xEF:
            m_windows.Minimise();
            return;
        default:
            return;  // 0x06, 0x2D and unknown keys: nothing
    }
}

void CKeypad::FocusThen(int button) {
    m_buttons.HandleButton(kFocusButton);
    m_buttons.HandleButton(button);
}

void CKeypad::Balance() {
    int amount = 0;
    m_list.GetBalance(&amount);
    if (m_device.m_bHandsetDisplay != 1) return;
    CLcdRenderer* renderer = m_device.Renderer();
    if (renderer == nullptr) return;  // nothing could be streamed
    // A transfer still running is stopped first: its end would clear the
    // balance's pending bits, and HS_TEXT_FONT would land between its units.
    StopHandsetTransferBeforeText(m_device);
    // The pending bits go first: the handset's reply to HS_TEXT_FONT finds them.
    m_device.m_nDisplayContent.fetch_or(display::kFontMode | display::kSingleItem);
    renderer->RenderBalance(amount);
    Pause(kBalanceRenderPause);
    m_device.SendCommand(HS_TEXT_FONT);
}

void CKeypad::EnterContactList() {
    m_list.ResetContactCursor();
    m_device.m_nDisplayContent.fetch_or(display::kContactList);
    m_device.SendCommandData(0x00, unit::kStartControl);
}

void CKeypad::EnterCallList() {
    m_store.ResetBrowse();
    m_device.m_nDisplayContent = display::kCallList;
    m_device.SendCommandData(0x00, unit::kStartControl);
}

void CKeypad::LeaveListMode() {
    std::int32_t content = m_device.m_nDisplayContent;
    if (content & display::kContactList) {
        m_device.m_nDisplayContent.fetch_and(~display::kContactList);
    } else if (content & display::kCallList) {
        m_device.m_nDisplayContent.fetch_and(~display::kCallList);
    }
    m_list.ResetContactCursor();
    m_store.ResetBrowse();
    m_device.m_nDisplayContent = 0;
}

void CKeypad::FirstEntry(int variant) {
    std::int32_t content = m_device.m_nDisplayContent;
    if (content & display::kContactList) {
        char name[CListManager::kTextBufferSize] = {};
        m_list.SetBrowseAllContacts(variant);
        m_list.SelectNextContact(0, 0);
        m_list.GetSelectedContactName(name);
        if (CLcdRenderer* renderer = m_device.Renderer()) renderer->RenderText(name);
    } else if (content & display::kCallList) {
        m_store.SetBrowseMode(variant == 0 ? CSessionStore::kBrowseReceived
                                           : CSessionStore::kBrowseDialed);
        int id = 0;
        if (m_store.SelectNextCall(0, 0, &id) != S_OK) return;
        int hasDetails = 0;
        m_store.GetCallHasDetails(id, &hasDetails);
        if (hasDetails) {
            m_store.RefreshSelection(id);
        } else {
            PrepareAndRequestCallDetails(m_store, m_link, id);
        }
    }
}

void CKeypad::FirstMissedCall() {
    m_store.SetBrowseMode(CSessionStore::kBrowseMissed);
    int id = 0;
    if (m_store.SelectNextCall(0, 0, &id) != S_OK) return;
    PrepareAndRequestCallDetails(m_store, m_link, id);
}

void CKeypad::Arrow(bool up, int button) {
    // The open dialog takes the arrows; Skype hears nothing of them.
    if (m_dialog.IsOpen()) {
        m_dialog.MoveSelection(up);
        return;
    }
    FocusThen(button);
}

}  // namespace kestrava
