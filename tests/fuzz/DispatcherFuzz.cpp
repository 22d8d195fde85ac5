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

struct CallPathRig {
    DeviceRig rig;
    ShellState shell;
    testing::RecordingWindowSystem windows;
    ::testing::NiceMock<testing::MockLinkCollaborators> links;
    ::testing::NiceMock<testing::MockDispatcher> engineDispatcher;
    CSkypeEngine engine{
        shell, windows, links, engineDispatcher, CSkypeEngine::kSendTimeout, NoEngineThreads()};
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
    path.desktop.Choose(data[0], 0);
    path.rig.device->m_bTransferActive = data[0] & 1;
    for (const std::string& line : kestrava::fuzz::Lines(data + 1, size - 1)) path.Line(line);
    return 0;
}
