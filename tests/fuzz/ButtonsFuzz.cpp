// Any sequence of the handset's key codes through the keypad and the button
// handler, against a store and a contact list filled from the first bytes,
// Skype's windows and the contact action dialog in states the input picks.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzRig.h"
#include "app/ShellState.h"
#include "handset/ButtonHandler.h"
#include "handset/ContactActionDialog.h"
#include "handset/HandsetSeams.h"
#include "handset/Keypad.h"
#include "handset/Keystrokes.h"
#include "handset/SkypeWindows.h"

namespace kestrava::fuzz {
namespace {

// The dialog's state comes from one byte, one flag per bit.
class ChosenDialog final : public ContactActionDialog {
  public:
    void ListKey(int) override { m_state |= 1; }
    bool IsOpen() override { return m_state & 1; }
    void MoveSelection(bool) override {}
    bool ShowsSelectableList() override { return m_state & 2; }
    std::string SelectedHandle() override { return m_state & 4 ? handle : std::string(); }
    int OpenMode() override {
        if (!(m_state & 1)) return kNone;
        return m_state & 8 ? kRedial : m_state & 16 ? kChat : kSendFile;
    }
    bool RedialFlag() override { return m_state & 8; }
    bool ChatFlag() override { return m_state & 16; }
    bool FileFlag() override { return m_state & 32; }
    void CloseAndClear() override { m_state = 0; }
    void ClearListFlags() override { m_state &= ~(8 | 16 | 32); }

    void Choose(std::uint8_t state, std::string selected) {
        m_state = state;
        handle = std::move(selected);
    }

  private:
    std::uint8_t m_state = 0;
    std::string handle;
};

}  // namespace
}  // namespace kestrava::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kestrava;
    fuzz::Bytes in(data, size);
    fuzz::DeviceRig rig;
    fuzz::RecordingLink link;
    ShellState shell;
    fuzz::ChosenDesktop desktop;
    fuzz::ChosenDialog dialog;
    fuzz::NullAudio audio;
    CSessionStore store;
    CListManager list(&link);

    desktop.Choose(in.Byte(), in.Byte());
    std::uint8_t dialogState = in.Byte();
    dialog.Choose(dialogState, in.Text(dialogState >> 6 ? 20 : 0));
    std::uint8_t flags = in.Byte();
    link.displayEnabled = flags & 1;
    link.ownStatus = (flags >> 1) & 7;
    rig.device->m_bTransferActive = (flags >> 4) & 1;
    rig.device->m_nDisplayContent = in.Byte();
    fuzz::SeedSession(in, store, list);

    SkypeWindows windows(desktop, shell);
    windows.FindChildWindows();
    CKeystrokes keystrokes(desktop);
    CButtonHandler buttons(*rig.device, store, list, link, windows, keystrokes, dialog);
    CKeypad keypad(*rig.device, store, list, link, windows, dialog, audio, rig.shell, buttons);
    // 0xFF presses the next code straight on the button handler, as the
    // link worker does for "FOCUS".
    while (!in.Empty()) {
        std::uint8_t code = in.Byte();
        if (code == 0xFF && !in.Empty()) {
            buttons.HandleButton(in.Byte());
        } else {
            keypad.HandleKeyReport(static_cast<std::uint32_t>(code) << 8);
        }
    }
    return 0;
}
