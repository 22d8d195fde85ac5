// The handlers of the user, contact and status lines from Skype: the protocol
// version, the contact list and each contact's name and reachability, the own
// connection and online status (tray and handset), the telephone-network
// privilege and balance, the own handle, Skype's mute state and its audio
// devices. The dispatcher calls one operation per first word ("AUTOAWAY" is
// read and ignored there); they run on the parser thread.
#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "protocol/LineHandlers.h"
#include "protocol/OwnStatus.h"

class CDeviceLibrary;
class CListManager;
class CSessionStore;
class CSkypeEngine;
class SkypeLink;

namespace kestrava {

struct ShellState;

// The own status of a "USERSTATUS" value.
int OwnStatusOfUserStatus(const std::string& value);
// A contact's reachability (CListManager::kReachable or kUnreachable) of an
// "ONLINESTATUS" value.
int ContactReachability(const std::string& value);

class CUserLines final : public UserLineHandler {
  public:
    // Longest contact or device name kept (the readers' 255-byte buffers).
    static constexpr std::size_t kMaxNameLength = 254;

    CUserLines(SkypeLink& link, CSkypeEngine& engine, CDeviceLibrary& device, ShellState& shell);
    CUserLines(const CUserLines&) = delete;
    CUserLines& operator=(const CUserLines&) = delete;

    // The contact list and the store exist later than the engine; lines that
    // need one that is not set leave it alone. Null detaches it again.
    void SetContactList(CListManager* contacts);
    void SetSessionStore(CSessionStore* store);

    void Protocol(const NotificationLine& line) override;
    void Users(const NotificationLine& line) override;
    void User(const NotificationLine& line) override;
    void ConnectionStatus(const NotificationLine& line) override;
    void Privilege(const NotificationLine& line) override;
    void Profile(const NotificationLine& line) override;
    void UserStatus(const NotificationLine& line) override;
    void CurrentUserHandle(const NotificationLine& line) override;
    void Mute(const NotificationLine& line) override;
    void AudioIn(const NotificationLine& line) override;
    void AudioOut(const NotificationLine& line) override;

  private:
    void UserName(const NotificationLine& line, bool fullName);
    void BuddyStatus(const std::string& handle, const std::string& value);
    // Offline-like: the handset is told, and must announce itself again.
    void GoOffline();
    void AudioDevice(const NotificationLine& line, bool input);

    SkypeLink& m_link;
    CSkypeEngine& m_engine;
    CDeviceLibrary& m_device;
    ShellState& m_shell;
    std::atomic<CListManager*> m_contacts{nullptr};
    std::atomic<CSessionStore*> m_store{nullptr};
    std::recursive_mutex m_cs;
};

}  // namespace kestrava
