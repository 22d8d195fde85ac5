#include "KeyActions.h"

#include "sim/SimulatedHandset.h"
#include "sim/SkypeClientSim.h"

namespace kestrava::terminal {

bool KeyActions::Handle(int key) {
    const KeyBinding* binding = FindBinding(key);
    if (binding == nullptr) return true;
    switch (binding->kind) {
        case KeyKind::Quit:
            Log("keyboard: quit");
            if (m_peers.requestExit) m_peers.requestExit();
            return false;
        case KeyKind::Help:
            m_screen.ToggleHelp();
            return true;
        case KeyKind::Reports:
            m_screen.ToggleReports();
            return true;
        case KeyKind::Handset:
        case KeyKind::List:
            PressHandsetKeys(*binding);
            return true;
        case KeyKind::Client:
            Act(*binding);
            return true;
    }
    return true;
}

void KeyActions::PressHandsetKeys(const KeyBinding& binding) {
    if (m_peers.handset == nullptr) {
        Log(std::string("keyboard: ") + binding.keyName + " (no handset)");
        return;
    }
    Log(std::string("keyboard: ") + binding.keyName + "  " + binding.what);
    // A list key of the handset leaves the list it is browsing before it
    // opens its own.
    if (binding.kind == KeyKind::List &&
        m_peers.handset->CurrentState().listMode != sim::HandsetFirmware::ListMode::None) {
        m_peers.handset->PressKey(0x6F);
    }
    for (std::uint8_t code : binding.codes) {
        if (code != 0) m_peers.handset->PressKey(code);
    }
}

void KeyActions::Act(const KeyBinding& binding) {
    sim::SkypeClientSim& skype = m_peers.skype;
    Log(std::string("keyboard: ") + binding.keyName + "  " + binding.what);
    auto startCall = [&](const std::string& handle, bool missed) {
        int id = m_nextCallId++;
        m_screen.NoteCall(id, handle);
        if (missed)
            skype.MissedCall(id, handle);
        else
            skype.IncomingCall(id, handle);
    };
    switch (binding.action) {
        case ClientAction::IncomingCall:
            startCall(binding.handle, false);
            break;
        case ClientAction::MissedCall:
            startCall(binding.handle, true);
            break;
        case ClientAction::SecondCall: {
            // Somebody other than the caller already on the line.
            auto live = m_screen.NewestLiveCall();
            startCall(live && live->handle == "yamada.taro" ? "wang.xiaoming" : "yamada.taro",
                      false);
            break;
        }
        case ClientAction::CallerHangsUp: {
            auto live = m_screen.NewestLiveCall();
            if (!live) {
                Log("keyboard: no call to hang up");
            } else if (live->status == "INPROGRESS" || live->status == "ONHOLD" ||
                       live->status == "LOCALHOLD" || live->status == "REMOTEHOLD") {
                skype.FinishCall(live->id);
            } else {
                skype.GiveUpCall(live->id);  // still ringing: the caller gives up
            }
            break;
        }
        case ClientAction::NextUserStatus:
            skype.SetUserStatus(NextUserStatus(m_screen.UserStatus()));
            break;
        case ClientAction::SkypeGoesAway:
            skype.SetConnectionStatus("OFFLINE");
            break;
        case ClientAction::SkypeComesBack:
            skype.SetConnectionStatus("ONLINE");
            break;
        case ClientAction::None:
            break;
    }
}

void KeyActions::Log(const std::string& line) {
    if (m_peers.log)
        m_peers.log(line);
    else
        m_screen.AddLog(line);
}

}  // namespace kestrava::terminal
