#include "protocol/UserLines.h"

#include <cctype>
#include <cstring>

#include "CLcdRenderer.h"
#include "app/ShellState.h"
#include "handset/CDeviceLibrary.h"
#include "handset/HandsetCommands.h"
#include "handset/TransferControl.h"
#include "protocol/CSkypeEngine.h"
#include "protocol/CommandKeys.h"
#include "protocol/LineWords.h"
#include "protocol/SkypeLink.h"
#include "session/CListManager.h"
#include "session/CSessionStore.h"

namespace kestrava {

namespace {

constexpr auto kTransferSettle = std::chrono::milliseconds(20);
// Protocol versions above this one have the application name command ...
constexpr int kNameCommandAfter = 2;
// ... and above this one a contact without a display name is asked for its full name.
constexpr int kFullNameAfter = 3;

bool EqualsIgnoringCase(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

int OwnStatusOfUserStatus(const std::string& value) {
    struct Row {
        const char* value;
        int status;
    };
    static constexpr Row kRows[] = {
        {"ONLINE", OWN_STATUS_ONLINE}, {"SKYPEME", OWN_STATUS_SKYPEME},
        {"AWAY", OWN_STATUS_AWAY},     {"NA", OWN_STATUS_NA},
        {"DND", OWN_STATUS_DND},       {"INVISIBLE", OWN_STATUS_INVISIBLE},
    };
    for (const auto& row : kRows) {
        if (value == row.value) return row.status;
    }
    return OWN_STATUS_OFFLINE;
}

int ContactReachability(const std::string& value) {
    static constexpr const char* kReachableValues[] = {"ONLINE", "AWAY",    "NA",
                                                       "DND",    "SKYPEME", "SKYPEOUT"};
    for (const char* reachable : kReachableValues) {
        if (value == reachable) return CListManager::kReachable;
    }
    return CListManager::kUnreachable;
}

CUserLines::CUserLines(SkypeLink& link, CSkypeEngine& engine, CDeviceLibrary& device,
                       ShellState& shell)
    : m_link(link), m_engine(engine), m_device(device), m_shell(shell) {}

void CUserLines::SetContactList(CListManager* contacts) {
    std::lock_guard lock(m_cs);
    m_contacts = contacts;
}

void CUserLines::SetSessionStore(CSessionStore* store) {
    std::lock_guard lock(m_cs);
    m_store = store;
}

void CUserLines::Protocol(const NotificationLine& line) {
    std::lock_guard lock(m_cs);
    const int version = ParseInt(line.words.second);
    m_device.m_nProtocol = version;
    if (version > kNameCommandAfter) m_link.QueueCommand(KEY_SKYPE_NAME, nullptr, 0);
    m_link.UpdateTrayState();
}

void CUserLines::Users(const NotificationLine& line) {
    std::lock_guard lock(m_cs);
    if (CListManager* contacts = m_contacts.load()) contacts->LoadContacts(line.text.c_str());
}

void CUserLines::User(const NotificationLine& line) {
    std::lock_guard lock(m_cs);
    const std::string& handle = line.words.second;
    const std::string& property = line.words.third;
    if (handle.empty()) return;
    CListManager* contacts = m_contacts.load();
    if (property == "ONLINESTATUS") {
        if (contacts)
            contacts->SetContactStatus(handle.c_str(), ContactReachability(line.words.fourth));
    } else if (property == "FULLNAME") {
        UserName(line, true);
    } else if (property == "DISPLAYNAME") {
        UserName(line, false);
    } else if (property == "BUDDYSTATUS") {
        BuddyStatus(handle, line.words.fourth);
    }
}

// A contact's name: the display name first; with the newer protocols an empty
// one asks for the full name, and an empty full name leaves the handle as the
// name. The reachability is asked for once a name is stored. These questions
// load the contact list: they go in the bulk lane.
void CUserLines::UserName(const NotificationLine& line, bool fullName) {
    const std::string& handle = line.words.second;
    const std::string name = JoinWordsFrom(line.text, 3, kMaxNameLength);
    if (!fullName && name.empty() && m_device.m_nProtocol > kFullNameAfter) {
        m_link.QueueBulkCommand(KEY_SKYPE_GET_USER_FULLNAME, handle.c_str(), 0);
        return;
    }
    if (CListManager* contacts = m_contacts.load()) {
        if (fullName && name.empty()) {
            contacts->SetContactName(handle.c_str(), handle.c_str(),
                                     static_cast<int>(handle.size()) + 1);
        } else {
            contacts->SetContactName(handle.c_str(), name.c_str(), static_cast<int>(name.size()));
        }
    }
    m_link.QueueBulkCommand(KEY_SKYPE_GET_USER_ONLINESTATUS, handle.c_str(), 0);
}

void CUserLines::BuddyStatus(const std::string& handle, const std::string& value) {
    CListManager* contacts = m_contacts.load();
    if (value == "1") {  // deleted
        if (contacts) contacts->RemoveContact(handle.c_str());
    } else if (value == "2" || value == "3") {  // pending or added
        if (contacts) contacts->AddContact(handle.c_str(), CListManager::kUnreachable);
        m_link.QueueBulkCommand(KEY_SKYPE_GET_USER_FULLNAME, handle.c_str(), 0);
        m_link.QueueBulkCommand(KEY_SKYPE_GET_USER_ONLINESTATUS, handle.c_str(), 0);
    }
}

void CUserLines::GoOffline() {
    m_device.SendCommand(HS_STATUS_OFFLINE);
    m_shell.g_bHandsetAnnounced = 0;
}

void CUserLines::ConnectionStatus(const NotificationLine& line) {
    std::lock_guard lock(m_cs);
    const int status = line.words.second == "ONLINE" ? OWN_STATUS_ONLINE : OWN_STATUS_OFFLINE;
    m_engine.SetOwnStatus(status);
    if (status == OWN_STATUS_OFFLINE) {
        GoOffline();
    } else if (m_engine.HistoryLoaded()) {
        m_engine.SignalHandsetReady();
    }
    m_link.UpdateTrayState();
}

void CUserLines::Privilege(const NotificationLine& line) {
    std::lock_guard lock(m_cs);
    if (!EqualsIgnoringCase(line.words.second, "skypeout")) return;
    if (CListManager* contacts = m_contacts.load()) contacts->SetBalance(0);
    if (EqualsIgnoringCase(line.words.third, "TRUE")) {
        m_link.QueueCommand(KEY_SKYPE_GET_PROFILE_PSTN_BALANCE, nullptr, 0);
    }
}

// The balance in hundredths of the currency unit, as Skype sends it. A figure
// beyond the list's int is held at its limit, never wrapped into another sign.
void CUserLines::Profile(const NotificationLine& line) {
    std::lock_guard lock(m_cs);
    if (line.words.second != "PSTN_BALANCE") return;
    if (!StartsWithNumber(line.words.third)) return;  // no figure: the balance stays
    if (CListManager* contacts = m_contacts.load()) {
        contacts->SetBalance(ParseInt(line.words.third));
    }
}

void CUserLines::UserStatus(const NotificationLine& line) {
    std::lock_guard lock(m_cs);
    const int status = OwnStatusOfUserStatus(line.words.second);
    int before = OWN_STATUS_OFFLINE;
    m_engine.GetOwnStatus(&before);
    m_engine.SetOwnStatus(status);
    if (status == OWN_STATUS_OFFLINE) GoOffline();
    m_link.UpdateTrayState();
    m_engine.ShowStatusOnHandset(status);
    // Back from offline (the handset's own status key, say): the handset is
    // told the link is ready again, as when the connection comes back.
    if (before == OWN_STATUS_OFFLINE && status != OWN_STATUS_OFFLINE && m_engine.HistoryLoaded()) {
        m_engine.SignalHandsetReady();
    }
}

// A new user starts with empty lists; the replies to the attach set-up fill them.
void CUserLines::CurrentUserHandle(const NotificationLine& line) {
    std::lock_guard lock(m_cs);
    m_engine.SetOwnHandle(line.words.second.c_str());
    CListManager* contacts = m_contacts.load();
    CSessionStore* store = m_store.load();
    if (contacts) contacts->ClearContacts();
    if (store) store->ClearCalls();
    if (contacts) contacts->ResetContactCursor();
    if (store) store->ResetBrowse();
}

void CUserLines::Mute(const NotificationLine& line) {
    std::lock_guard lock(m_cs);
    StopHandsetTransfer(m_device, kTransferSettle);
    if (line.words.second == "ON") {
        m_device.m_bMuted = 1;
        m_device.SendCommand(HS_MUTE_ON);
    } else {
        m_device.m_bMuted = 0;
        m_device.SendCommand(HS_MUTE_OFF);
    }
}

void CUserLines::AudioIn(const NotificationLine& line) {
    std::lock_guard lock(m_cs);
    AudioDevice(line, true);
}

void CUserLines::AudioOut(const NotificationLine& line) {
    std::lock_guard lock(m_cs);
    AudioDevice(line, false);
}

// The device name keeps its trailing blank and is kept in the local character
// set. Without a renderer (or its tables) it is kept as received: device names
// are plain ASCII in practice, where both encodings agree.
void CUserLines::AudioDevice(const NotificationLine& line, bool input) {
    const std::string name = JoinWordsFrom(line.text, 1, kMaxNameLength);
    char local[CLcdRenderer::kTextBufferSize] = {};
    CLcdRenderer* renderer = m_device.Renderer();
    if (renderer && renderer->Utf8ToLocal(name.c_str(), local) == S_OK) {
        m_engine.SetAudioDeviceReply(input, local);
    } else {
        m_engine.SetAudioDeviceReply(input, name);
    }
}

}  // namespace kestrava
