// The call path as the shell wires it: on the parser thread the dispatcher of
// Skype's lines and the call state machine; on the input worker the decoder of
// the handset's reports and the handset's keys (keypad, buttons, keystrokes,
// the contact action dialog) with the handset's faders; on the upload worker
// the transfer runs.
//
// It is created right after the engine and lives until the engine's threads
// have stopped. The store and the contact list come
// to exist during start-up (in an order that depends on the handset's
// presence); AttachSession wires them in, DetachSession lets them go again
// once the threads that read them have stopped.
#pragma once

#include <memory>

#include "app/ShellState.h"
#include "handset/ButtonHandler.h"
#include "handset/CDeviceLibrary.h"
#include "handset/ContactDialog.h"
#include "handset/ContactListView.h"
#include "handset/InputDecoder.h"
#include "handset/Keypad.h"
#include "handset/Keystrokes.h"
#include "handset/SkypeWindows.h"
#include "platform/Platform.h"
#include "protocol/CallHistory.h"
#include "protocol/CallStateMachine.h"
#include "protocol/CallerDetails.h"
#include "protocol/LineHandlers.h"
#include "protocol/NotificationDispatcher.h"
#include "protocol/UserLines.h"
#include "session/UploadWorker.h"

namespace kestrava {

class CallPath {
  public:
    // `faders` (the mixer controls) outlives the call path.
    CallPath(Platform& platform, CDeviceLibrary& device, ShellState& shell, SkypeLink& link,
             CSkypeEngine& engine, HandsetAudio& faders);
    CallPath(const CallPath&) = delete;
    CallPath& operator=(const CallPath&) = delete;

    // What the engine's parser hands every line to.
    NotificationDispatcher& Dispatcher() { return m_dispatcher; }
    // The button handler once the session is attached (null before and after):
    // the engine's link worker presses "FOCUS" through it.
    ButtonHandler* Buttons() { return m_buttons.get(); }

    // Wires the store and the contact list into the call state machine and
    // the handset threads. Reports queued before wait for it.
    void AttachSession(CSessionStore& store, CListManager& contacts);
    // Lets them go. The caller has stopped the handset threads
    // (CDeviceLibrary::StopWorkers) and the parser (the engine) first; the
    // contact action dialog is closed here, before the store and the list go.
    void DetachSession();

  private:
    CDeviceLibrary& m_device;
    ShellState& m_shell;
    SkypeLink& m_link;
    Shell& m_shellServices;
    HandsetAudio& m_faders;
    SkypeWindows m_skypeWindows;
    CKeystrokes m_keystrokes;
    CContactDialog m_contactDialog;
    CUserLines m_userLines;
    CCallHistory m_historyLines;
    CCallStateMachine m_calls;
    CNotificationDispatcher m_dispatcher;

    std::unique_ptr<ListManagerView> m_contactView;
    std::unique_ptr<ListManagerCallerDetails> m_callerDetails;
    std::unique_ptr<CButtonHandler> m_buttons;
    std::unique_ptr<CKeypad> m_keypad;
    std::unique_ptr<CInputDecoder> m_decoder;
    std::unique_ptr<CUploadWorker> m_upload;
};

}  // namespace kestrava
