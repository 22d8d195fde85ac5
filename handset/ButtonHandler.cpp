#include "handset/ButtonHandler.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>

#include "handset/CDeviceLibrary.h"
#include "handset/ContactActionDialog.h"
#include "handset/HandsetCommands.h"
#include "handset/Keystrokes.h"
#include "handset/SkypeWindows.h"
#include "handset/TransferControl.h"
#include "platform/Pause.h"
#include "protocol/CallStatus.h"
#include "protocol/SkypeLink.h"
#include "session/CListManager.h"
#include "session/CSessionStore.h"

namespace kestrava {

namespace {

// Button codes.
constexpr int kStopTransfer = 0x1A;
constexpr int kHookOff = 0x1F;
constexpr int kHookOn = 0x20;
constexpr int kHold = 0x23;
constexpr int kMuteOff = 0x2E;
constexpr int kMuteOn = 0x2F;
constexpr int kSend = 0x31;
constexpr int kClear = 0x40;
constexpr int kErase = 0x41;
constexpr int kFocus = 0x53;
constexpr int kFirstStatus = 0x72;
constexpr int kUp = 0xBC;
constexpr int kDown = 0xBD;
constexpr int kRight = 0xBF;

// 0x72 .. 0x78, in this order.
constexpr const char* kStatusTexts[] = {
    "SET USERSTATUS DND",       "SET USERSTATUS ONLINE", "SET USERSTATUS OFFLINE",
    "SET USERSTATUS SKYPEME",   "SET USERSTATUS AWAY",   "SET USERSTATUS NA",
    "SET USERSTATUS INVISIBLE",
};

constexpr const char* kFinishedText = "SET CALL %5d STATUS FINISHED";
constexpr const char* kInProgressText = "SET CALL %5d STATUS INPROGRESS";
constexpr const char* kOnHoldText = "SET CALL %5d STATUS ONHOLD";
constexpr const char* kReleasedNo = "BTN_RELEASED NO";
constexpr const char* kReleasedYes = "BTN_RELEASED YES";
constexpr const char* kHookOnText = "HOOK ON";

constexpr auto kStopSettle = std::chrono::milliseconds(20);
constexpr auto kHangUpSettle = std::chrono::milliseconds(10);
constexpr auto kClearPause = std::chrono::milliseconds(30);

// 19 is looked at by hang-up but has no name: Skype never reports it.
constexpr int kUnnamedVoicemailStatus = 19;

// A set of call status codes (all of them are below 32); kAnyStatus also
// takes -1, "no call".
using StatusSet = std::uint32_t;
constexpr StatusSet kAnyStatus = ~StatusSet{0};
constexpr StatusSet Statuses(std::initializer_list<int> codes) {
    StatusSet set = 0;
    for (int code : codes) set |= StatusSet{1} << code;
    return set;
}
constexpr bool In(StatusSet set, int status) {
    return set == kAnyStatus || (status >= 0 && status < 32 && (set >> status) & 1);
}

// What hanging up tells Skype, by the first matching row of (SA, SB).
enum class HangUpAction {
    FinishSecond,
    ReleasedNo,
    FinishSecondIfCurrent,   // no current call: "BTN_RELEASED NO"
    FinishCurrentIfCurrent,  // no current call: "BTN_RELEASED NO"
    HookOn,
    FinishCurrent,
    ByCalls,  // the last row: decided by which calls exist
};

struct HangUpRow {
    StatusSet current;
    StatusSet second;
    HangUpAction action;
    bool closesSkype;
};

constexpr StatusSet kSettingUp =
    Statuses({CALL_ROUTING, CALL_RINGING_OUT, CALL_RINGING_IN, CALL_EARLYMEDIA});
constexpr StatusSet kRinging = Statuses({CALL_RINGING_OUT, CALL_RINGING_IN});
constexpr StatusSet kVoicemail = Statuses(
    {CALL_VM_PLAYING_GREETING, CALL_VM_RECORDING, kUnnamedVoicemailStatus, CALL_VM_CANCELLED});

constexpr HangUpRow kHangUpRows[] = {
    {kSettingUp, kSettingUp | kVoicemail | Statuses({CALL_VM_REDIRECT}), HangUpAction::FinishSecond,
     false},
    {kSettingUp, kAnyStatus, HangUpAction::ReleasedNo, false},
    {kVoicemail, kRinging | kVoicemail | Statuses({CALL_VM_REDIRECT, CALL_EARLYMEDIA}),
     HangUpAction::FinishSecondIfCurrent, false},
    {kVoicemail, kAnyStatus, HangUpAction::FinishCurrentIfCurrent, true},
    {Statuses({CALL_VM_REDIRECT}), kRinging | kVoicemail | Statuses({CALL_VM_REDIRECT}),
     HangUpAction::FinishSecondIfCurrent, false},
    {Statuses({CALL_VM_REDIRECT}), kAnyStatus, HangUpAction::HookOn, true},
    {Statuses({CALL_LOCALHOLD}), Statuses({CALL_INPROGRESS}), HangUpAction::HookOn, false},
    {Statuses({CALL_INPROGRESS}), Statuses({CALL_RINGING_OUT, CALL_RINGING_IN, CALL_EARLYMEDIA}),
     HangUpAction::FinishCurrent, true},
    {Statuses({CALL_INPROGRESS}), kAnyStatus, HangUpAction::HookOn, true},
    {kAnyStatus, kAnyStatus, HangUpAction::ByCalls, true},
};

}  // namespace

CButtonHandler::CButtonHandler(CDeviceLibrary& device, CSessionStore& store, CListManager& list,
                               SkypeLink& link, SkypeWindows& windows, CKeystrokes& keystrokes,
                               ContactActionDialog& dialog)
    : m_device(device),
      m_store(store),
      m_list(list),
      m_link(link),
      m_windows(windows),
      m_keystrokes(keystrokes),
      m_dialog(dialog) {}

int CButtonHandler::HandleButton(int code) {
    if (code >= kFirstStatus && code < kFirstStatus + 7)
        return Send(kStatusTexts[code - kFirstStatus]);
    if ((code >= 0xB0 && code <= 0xBB) || code == 0xBE || code == kErase)
        return m_keystrokes.TypeButton(code) ? 1 : 0;
    switch (code) {
        case kStopTransfer:
            // The handset wants its display back: no wait, nothing sent.
            RequestHandsetTransferStop(m_device, std::chrono::milliseconds(0));
            return 0;
        case kHookOff:
            return HookOff();
        case kHookOn:
            return HangUp();
        case kHold:
            return Hold();
        case kMuteOff:
            return Send("SET MUTE OFF");
        case kMuteOn:
            return Send("SET MUTE ON");
        case kSend:
            return SendKey();
        case kClear:
            return NoButton();
        case kFocus:
            return Send("FOCUS");
        case kUp:
            return Arrow("BTN_RELEASED UP");
        case kDown:
            return Arrow("BTN_RELEASED DOWN");
        case kRight:
            return Skype();
        default:
            return 0;
    }
}

CButtonHandler::Calls CButtonHandler::ReadCalls() {
    // One snapshot: read apart, the id of a call that just ended could be
    // paired with the status of the call promoted in its place.
    Calls calls;
    m_store.GetBothCalls(&calls.current, &calls.currentStatus, &calls.second, &calls.secondStatus);
    return calls;
}

int CButtonHandler::HookOff() {
    StopHandsetTransfer(m_device, kStopSettle);
    Calls calls = ReadCalls();
    int sent = 0;
    if (calls.current != 0) {
        sent = SendCallCommand(kInProgressText, calls.current);
    } else if (calls.second != 0) {
        sent = Send("HOOK OFF");
    }
    EndBrowsing();
    return sent;
}

int CButtonHandler::HangUp() {
    StopHandsetTransfer(m_device, kStopSettle);

    // Skype's own dialogs come before any call: the user answers them first.
    if (m_windows.CloseConfirmationOrError()) {
        int sent = NoButton();
        m_windows.ClickGridOnDialTab();
        return sent;
    }

    // A transfer started meanwhile is only asked to stop; list mode is left
    // below, whatever it shows.
    RequestHandsetTransferStop(m_device, kHangUpSettle);
    Calls calls = ReadCalls();

    const HangUpRow* row = nullptr;
    for (const HangUpRow& candidate : kHangUpRows) {
        if (In(candidate.current, calls.currentStatus) &&
            In(candidate.second, calls.secondStatus)) {
            row = &candidate;
            break;
        }
    }
    bool closes = row->closesSkype;
    int sent = 0;
    switch (row->action) {
        case HangUpAction::FinishSecond:
            sent = SendCallCommand(kFinishedText, calls.second);
            break;
        case HangUpAction::ReleasedNo:
            sent = Send(kReleasedNo);
            break;
        case HangUpAction::FinishSecondIfCurrent:
            sent = calls.current == 0 ? Send(kReleasedNo)
                                      : SendCallCommand(kFinishedText, calls.second);
            break;
        case HangUpAction::FinishCurrentIfCurrent:
            sent = calls.current == 0 ? Send(kReleasedNo)
                                      : SendCallCommand(kFinishedText, calls.current);
            break;
        case HangUpAction::HookOn:
            sent = Send(kHookOnText);
            break;
        case HangUpAction::FinishCurrent:
            sent = SendCallCommand(kFinishedText, calls.current);
            break;
        case HangUpAction::ByCalls:
            if (calls.second != 0) {
                sent = Send(kHookOnText);
                closes = false;
            } else if (calls.current == 0) {
                sent = Send(kReleasedNo);
            } else {
                sent = SendCallCommand(kFinishedText, calls.current);
            }
            break;
    }
    if (closes && m_device.m_bSupportHideWindows == 1) m_windows.CloseMainWindow();
    LeaveListMode();
    return sent;
}

int CButtonHandler::Hold() {
    Calls calls = ReadCalls();
    if (calls.current == 0) return 0;
    if (calls.currentStatus == CALL_INPROGRESS) return SendCallCommand(kOnHoldText, calls.current);
    if (calls.currentStatus == CALL_LOCALHOLD)
        return SendCallCommand(kInProgressText, calls.current);
    return 0;
}

int CButtonHandler::SendKey() {
    if (m_dialog.ShowsSelectableList()) return SendFromDialog();
    m_dialog.ClearListFlags();

    std::int32_t content = m_device.m_nDisplayContent;
    int sent = 0;
    if (content & display::kContactList) {
        char handle[CListManager::kTextBufferSize] = {};
        m_list.GetSelectedContactHandle(handle);
        sent = SendHandleCommand("CALL %s", handle);
    } else if (content & display::kCallList) {
        // The whole handle as the store keeps it: a cut one dials someone else.
        char handle[CSessionStore::kTextBufferSize] = {};
        m_store.GetSelectedPartnerHandle(handle);
        if (handle[0] == '\0') return 0;  // the list stays on the handset
        sent = SendHandleCommand("CALL %s", handle);
    } else {
        Calls calls = ReadCalls();
        if (calls.current == 0) {
            sent = Send(kReleasedYes);
        } else if (calls.currentStatus == CALL_ROUTING || calls.currentStatus == CALL_RINGING_OUT) {
            return 0;  // our own call is being set up
        } else if (calls.currentStatus == CALL_LOCALHOLD) {
            sent = SendCallCommand(kInProgressText, calls.current);
        } else if (calls.currentStatus == CALL_INPROGRESS &&
                   (calls.secondStatus == CALL_RINGING_IN ||
                    calls.secondStatus == CALL_EARLYMEDIA)) {
            // Answering the second call: the current one is held first.
            HandleButton(kHold);
            sent = SendCallCommand(kInProgressText, calls.second);
        } else {
            sent = Send(kReleasedYes);
        }
    }
    EndBrowsing();
    return sent;
}

int CButtonHandler::SendFromDialog() {
    // The list on screen says what the line is for; the list flags may be
    // left over from keys pressed while another list was open.
    const int mode = m_dialog.OpenMode();
    std::string handle = m_dialog.SelectedHandle();
    int sent = 0;
    if (!handle.empty()) {
        if (mode == ContactActionDialog::kRedial) {
            sent = SendHandleCommand("CALL %s", handle.c_str());
        } else if (mode == ContactActionDialog::kChat || mode == ContactActionDialog::kSendFile) {
            // A chat or a file transfer is no call: the handset goes idle,
            // unless a call is up (a ringing one would fall silent).
            const Calls calls = ReadCalls();
            if (calls.current == 0 && calls.second == 0) m_device.SendCommand(HS_CALL_IDLE);
            sent = SendHandleCommand(
                mode == ContactActionDialog::kChat ? "OPEN IM %s" : "OPEN FILETRANSFER %s",
                handle.c_str());
        }
    }
    m_dialog.CloseAndClear();
    return sent;
}

int CButtonHandler::NoButton() {
    Pause(kClearPause);
    int sent = Send(kReleasedNo);
    LeaveListMode();
    return sent;
}

int CButtonHandler::Arrow(const char* text) {
    if (m_device.m_bSupportFocusAddressBook == 1) m_windows.ClickFirstTabUnlessShown();
    return Send(text);
}

int CButtonHandler::Skype() {
    // Skype may have rebuilt its window tree since it attached.
    m_windows.FindChildWindows();
    int sent = Send("BTN_RELEASED SKYPE");
    if (sent) m_windows.ClickGridOnDialTab();
    return sent;
}

void CButtonHandler::EndBrowsing() {
    m_list.ResetContactCursor();
    m_store.ResetBrowse();
    m_device.m_nDisplayContent = 0;
}

void CButtonHandler::LeaveListMode() {
    m_device.m_nDisplayContent.fetch_and(~(display::kContactList | display::kCallList));
    EndBrowsing();
}

int CButtonHandler::Send(const char* text) {
    if (text == nullptr || text[0] == '\0') return 0;
    if (m_link.SendStraight(text)) return 1;
    m_link.Rediscover();
    return 0;
}

int CButtonHandler::SendCallCommand(const char* format, int callId) {
    char text[kCommandBufferSize] = {};
    std::snprintf(text, sizeof text, format, callId);
    return Send(text);
}

int CButtonHandler::SendHandleCommand(const char* format, const char* handle) {
    // "CALL " with nothing after it is no command.
    if (handle == nullptr || handle[0] == '\0') return 0;
    // Room for the longest command word and a whole handle of the store, the
    // list or the dialog.
    char text[kCommandBufferSize + 64] = {};
    int length = std::snprintf(text, sizeof text, format, handle);
    // A cut handle would reach somebody else: such a text is not sent.
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof text) return 0;
    return Send(text);
}

}  // namespace kestrava
