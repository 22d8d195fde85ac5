// The handset's keys: most become buttons of the button handler; the list
// keys (contact list and call history on the handset's display), the window
// keys on Skype's main window, the volume keys, the contact action dialog's
// keys and a few state keys are handled here.
#pragma once

#include <cstdint>

#include "handset/HandsetSeams.h"

class CDeviceLibrary;
class CListManager;
class CSessionStore;
class ContactActionDialog;
class SkypeLink;

namespace kestrava {

class ButtonHandler;
class Shell;
class SkypeWindows;

// Runs on the input worker's thread only. Keeps no state of its own; what it
// changes is an atomic word of the device library or behind the store's, the
// list's and the dialog's own locks.
class CKeypad final : public KeypadHandler {
  public:
    // Everything given must outlive the keypad (CDeviceLibrary::StopWorkers
    // ends its last call).
    CKeypad(CDeviceLibrary& device, CSessionStore& store, CListManager& list, SkypeLink& link,
            SkypeWindows& windows, ContactActionDialog& dialog, HandsetAudio& audio, Shell& shell,
            ButtonHandler& buttons);

    // Acts on the key code (bits 15..8); every key counts as handled: 1.
    int HandleKeyReport(std::uint32_t report) override;

  private:
    void Key(std::uint8_t code);
    void FocusThen(int button);
    void Balance();
    void EnterContactList();
    void EnterCallList();
    void LeaveListMode();
    void FirstEntry(int variant);  // 0: reachable contacts / received calls; 1: all / dialed
    void FirstMissedCall();
    void Arrow(bool up, int button);

    CDeviceLibrary& m_device;
    CSessionStore& m_store;
    CListManager& m_list;
    SkypeLink& m_link;
    SkypeWindows& m_windows;
    ContactActionDialog& m_dialog;
    HandsetAudio& m_audio;
    Shell& m_shell;
    ButtonHandler& m_buttons;
};

}  // namespace kestrava
