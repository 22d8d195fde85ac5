// The handlers of the user, contact and status lines from Skype: the protocol
// version, the contact list and each contact's name and reachability, the own
// connection and online status (tray and handset), the telephone-network
// privilege and balance, the own handle, Skype's mute state and its audio
// devices. One operation per first word, each taking the whole line; they run
// on the parser thread.
#pragma once

#include <atomic>
#include <mutex>
#include <string>

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

class CUserLines {
  public:
    // Longest contact or device name kept (the readers' 255-byte buffers).
    static constexpr std::size_t kMaxNameLength = 254;

    CUserLines(SkypeLink& link, CSkypeEngine& engine, CDeviceLibrary& device, ShellState& shell);
    CUserLines(const CUserLines&) = delete;
    CUserLines& operator=(const CUserLines&) = delete;
    virtual ~CUserLines() = default;

    // The contact list and the store exist later than the engine; lines that
    // need one that is not set leave it alone. Null detaches it again.
    void SetContactList(CListManager* contacts);
    void SetSessionStore(CSessionStore* store);

    virtual void Protocol(const std::string& line);           // "PROTOCOL n"
    virtual void Users(const std::string& line);              // "USERS a, b, ..."
    virtual void User(const std::string& line);               // "USER handle property value..."
    virtual void ConnectionStatus(const std::string& line);   // "CONNSTATUS value"
    virtual void Privilege(const std::string& line);          // "PRIVILEGE name value"
    virtual void Profile(const std::string& line);            // "PROFILE property value"
    virtual void UserStatus(const std::string& line);         // "USERSTATUS value"
    virtual void AutoAway(const std::string& line);           // "AUTOAWAY value": no effect
    virtual void CurrentUserHandle(const std::string& line);  // "CURRENTUSERHANDLE handle"
    virtual void Mute(const std::string& line);               // "MUTE ON" / "MUTE OFF"
    virtual void AudioIn(const std::string& line);            // "AUDIO_IN name..."
    virtual void AudioOut(const std::string& line);           // "AUDIO_OUT name..."

  private:
    void UserName(const std::string& handle, const std::string& line, bool fullName);
    void BuddyStatus(const std::string& handle, const std::string& value);
    // Offline-like: the handset is told, and must announce itself again.
    void GoOffline();
    void AudioDevice(const std::string& line, bool input);

    SkypeLink& m_link;
    CSkypeEngine& m_engine;
    CDeviceLibrary& m_device;
    ShellState& m_shell;
    std::atomic<CListManager*> m_contacts{nullptr};
    std::atomic<CSessionStore*> m_store{nullptr};
    std::recursive_mutex m_cs;
};

}  // namespace kestrava
