// Any sequence of Skype's lines (one per '\n') through the dispatcher, the
// call state machine and the user and history line handlers, wired as the
// call path wires them, over a real store and contact list.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "FuzzRig.h"
#include "app/ShellState.h"
#include "protocol/CSkypeEngine.h"
#include "protocol/CallHistory.h"
#include "protocol/CallStateMachine.h"
#include "protocol/CallerDetails.h"
#include "protocol/NotificationDispatcher.h"
#include "protocol/UserLines.h"

namespace kestrava::fuzz {
namespace {

// Some lines ask whether Skype's dialogs are open; the first byte of the
// input says which window classes the desktop has.
class ChosenDesktop final : public testing::NullDesktop {
  public:
    WindowHandle FindTopLevelWindow(const std::string& className, const std::string*) override {
        return (m_open >> (std::hash<std::string>{}(className) % 8)) & 1 ? 0x5000 : 0;
    }
    bool IsWindow(WindowHandle window) override { return window == 0x5000; }
    void Choose(std::uint8_t open) { m_open = open; }

  private:
    std::uint8_t m_open = 0;
};

struct CallPathRig {
    DeviceRig rig;
    ShellState shell;
    testing::RecordingWindowSystem windows;
    ::testing::NiceMock<testing::MockLinkCollaborators> links;
    ::testing::NiceMock<testing::MockDispatcher> engineDispatcher;
    CSkypeEngine engine{shell, windows, links, engineDispatcher};
    RecordingLink link;
    ChosenDesktop desktop;
    CSessionStore store;
    CListManager contacts{&link};
    ListManagerCallerDetails caller{contacts};
    CUserLines users{link, engine, *rig.device, shell};
    CCallHistory history{link, engine};
    CCallStateMachine calls{link, *rig.device, rig.shell, desktop, history};
    CNotificationDispatcher dispatcher{calls, users, history, *rig.device, desktop};

    CallPathRig() {
        users.SetContactList(&contacts);
        users.SetSessionStore(&store);
        history.SetSessionStore(&store);
        calls.SetSessionStore(&store);
        calls.SetCallerDetails(&caller);
    }
    ~CallPathRig() {
        calls.SetCallerDetails(nullptr);
        calls.SetSessionStore(nullptr);
        history.SetSessionStore(nullptr);
        users.SetSessionStore(nullptr);
        users.SetContactList(nullptr);
    }

    // What the parser thread does for one line: snapshot, dispatch, watch.
    void Line(const std::string& text) {
        int id = 0, status = -1;
        store.GetCurrentCallId(&id);
        store.GetCurrentCallStatus(&status);
        dispatcher.Dispatch(text, id, status);
        store.GetCurrentCallId(&id);
        dispatcher.WatchSkypeDialogs(id);
    }
};

}  // namespace
}  // namespace kestrava::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    kestrava::fuzz::CallPathRig path;
    path.desktop.Choose(data[0]);
    path.rig.device->m_bTransferActive = data[0] & 1;
    for (const std::string& line : kestrava::fuzz::Lines(data + 1, size - 1)) path.Line(line);
    return 0;
}
