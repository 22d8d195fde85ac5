// Turns a handset button into what Skype is told: hook off and on, answer,
// hold and resume, finish, mute, own status and the handset button notices
// ("BTN_RELEASED ..."). The call actions are chosen from the current and the
// second call in the session store; texts go straight to Skype's API window.
// Digit, sign and erase buttons are typed into the focused window instead.
#pragma once

#include <cstddef>

class CDeviceLibrary;
class CListManager;
class CSessionStore;
class ContactActionDialog;
class SkypeLink;

namespace kestrava {

class CKeystrokes;
class SkypeWindows;

// What the keypad and the link worker press.
class ButtonHandler {
  public:
    virtual ~ButtonHandler() = default;
    // Returns 1 when a text went to Skype and Skype took it, or a key was
    // typed; 0 otherwise (nothing to do, nothing sent, or not taken).
    virtual int HandleButton(int code) = 0;
};

// Called on the input worker's thread and, for button 0x53, on the engine's
// link worker. It keeps no state of its own between calls: texts are built in
// local buffers, and everything it reads is an atomic word of the device
// library or behind the store's and the list's own locks. A lock here would
// only make the link worker's "FOCUS" wait behind a hang-up's transfer stop.
class CButtonHandler final : public ButtonHandler {
  public:
    // Room for a call command with a "%5d" id.
    static constexpr std::size_t kCommandBufferSize = 255;

    // Everything given must outlive the handler.
    CButtonHandler(CDeviceLibrary& device, CSessionStore& store, CListManager& list,
                   SkypeLink& link, SkypeWindows& windows, CKeystrokes& keystrokes,
                   ContactActionDialog& dialog);

    int HandleButton(int code) override;

  private:
    struct Calls {
        int current = 0, currentStatus = -1, second = 0, secondStatus = -1;
    };
    Calls ReadCalls();

    int HookOff();
    int HangUp();
    int Hold();
    int SendKey();
    int SendFromDialog();
    int NoButton();
    int Arrow(const char* text);
    int Skype();

    void EndBrowsing();    // cursors reset, display content 0
    void LeaveListMode();  // list bits cleared first, then as EndBrowsing

    // "An empty text is not sent"; a text Skype does not take starts the
    // link's rediscovery. 1 when Skype took it.
    int Send(const char* text);
    int SendCallCommand(const char* format, int callId);
    int SendHandleCommand(const char* format, const char* handle);

    CDeviceLibrary& m_device;
    CSessionStore& m_store;
    CListManager& m_list;
    SkypeLink& m_link;
    SkypeWindows& m_windows;
    CKeystrokes& m_keystrokes;
    ContactActionDialog& m_dialog;
};

}  // namespace kestrava
