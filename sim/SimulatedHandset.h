// The simulated handset behind a device boundary that the HID library opens
// like the real device.
//
// Linux: a directory tree that looks like sysfs (class/hidraw/hidraw0/device
// with uevent and report_descriptor) and a device directory whose hidraw0 is
// a sequenced-packet socket: one packet per report, as a hidraw node gives.
// Point the library's bus at SysfsRoot() and DeviceRoot().
//
// Windows: a message-mode named pipe, one message per report (input reports
// from the handset with their report id byte first, output reports from the
// program). The pipe has no HID identity of its own; ExtraDeviceEntry() is
// the entry that tells the library's Windows bus about it (ONDREL_EXTRA_DEVICES).
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "HandsetFirmware.h"
#include "HandsetSim.h"

namespace kestrava::sim {

class SimulatedHandset final : public HandsetSim {
  public:
    // Linux: `root` is created when missing; empty picks a fresh temporary
    // folder, removed again by the destructor. Windows: `root` names the pipe
    // ("\\.\pipe\" is put in front unless given); empty picks a name unique
    // to the process and the instance.
    explicit SimulatedHandset(std::string root = {}, bool withDisplay = true);
    ~SimulatedHandset() override;
    SimulatedHandset(const SimulatedHandset&) = delete;
    SimulatedHandset& operator=(const SimulatedHandset&) = delete;

#ifdef _WIN32
    std::string DevicePath() const {
        return m_root;
    }
    // "<pipe>=0C45:1830:8:8": the handset's identity and report lengths.
    std::string ExtraDeviceEntry() const;
#else
    std::string SysfsRoot() const {
        return m_root + "/sys";
    }
    std::string DeviceRoot() const {
        return m_root + "/dev";
    }
    std::string DevicePath() const {
        return DeviceRoot() + "/hidraw0";
    }
#endif

    // While a transfer to the LCD comes in, the handset holds key presses
    // back and sends them once it has ended: an acknowledgement the program
    // wrote between two units would look like a unit and be drawn. A
    // transfer that stops coming for this long is given up and no longer
    // holds them; well above the program's own pauses within a transfer
    // (300 ms before the end marker), also on a loaded machine.
    static constexpr std::chrono::milliseconds kKeyHoldLimit{2000};
    void PressKey(std::uint8_t keyCode) override;
    void LiftReceiver() override {
        PressKey(kKeyHookUp);
    }
    void PutDownReceiver() override {
        PressKey(kKeyHookDown);
    }
    void Unplug() override;
    void PlugIn() override;

    bool IsRinging() const override;
    std::string LcdPicture() const override;
    std::string LcdText() const override;
    std::vector<OutputReport> OutputReports() const override;

    // Beyond the person at the handset: what tests wait for and look at.
    // Each wait returns once the state holds, or false when the time is up.
    bool WaitForOutputReports(std::size_t count, std::chrono::milliseconds timeout) const;
    bool WaitForConnections(int count, std::chrono::milliseconds timeout) const;
    // Until `count` transfers to the LCD have ended (counted since creation).
    bool WaitForTransfers(int count, std::chrono::milliseconds timeout) const;
    bool WaitForRinging(bool ringing, std::chrono::milliseconds timeout) const;
    int UnacknowledgedReports() const;
    int UnexpectedAcknowledgements() const;
    std::string LcdField(std::uint8_t section) const;
    // Ringing, call, mute, status symbol, list mode and the LCD's cells, at one moment.
    HandsetFirmware::State CurrentState() const;
    int TransfersCompleted() const;
    int TransfersBegun() const;
    bool InTransfer() const;
    // Key presses held back by a transfer and not yet sent.
    int HeldKeys() const;
    // Sends raw input report bytes as they are (report id byte first).
    void SendInputReport(const HandsetFirmware::InputReport& report);
#ifndef _WIN32
    // Sends one packet of any length as the device node would give it (the
    // report's data without the report id byte): a handset gone wrong.
    void SendRawPacket(const std::vector<std::uint8_t>& data);
    // Until an open handle has read every report sent to it, or the time is
    // up: the program reads one handle and only writes to the others. (A
    // report sent to a full handle is dropped, as a handle nobody reads drops
    // them; a flood of reports may fill the read one for a while.)
    bool WaitForReportsRead(std::chrono::milliseconds timeout) const;
#endif
    // The last normal report (sequence 0..3) the handset sent, report id
    // byte first; all zero before the first. A chattering handset repeats it.
    HandsetFirmware::InputReport LastNormalReport() const;
    // Whether the firmware answers HS_TEXT_FONT / HS_TEXT_RAW with 0x5A.
    void SetAnswersTextAnnouncements(bool answers);

    // Called each time a transfer to the LCD ends, with the LCD picture then;
    // on the thread that serves the device, outside the handset's lock (the
    // observer may call the handset). Thread-safe; empty removes it.
    using TransferObserver = std::function<void(const std::string& picture)>;
    void SetTransferObserver(TransferObserver observer);

  private:
    struct Boundary;
    void Serve();
    void Broadcast(const HandsetFirmware::InputReport& report);
    // Records a report the program wrote and sends the firmware's replies.
    void HandleOutputReport(const std::uint8_t* bytes, std::size_t length);
    // Key reports for the held keys once no transfer holds them; m_mutex held.
    std::vector<HandsetFirmware::InputReport> TakeReleasedKeysLocked();
    // Gives up a transfer that stopped coming and sends the keys it held:
    // what the serving thread does when its wait times out.
    void ReleaseHeldKeys();
    // How long the serving thread may wait before ReleaseHeldKeys is due;
    // negative for no limit. m_mutex held.
    int HoldWaitMillisecondsLocked() const;
    // Wakes the waits on the boundary's state; called with m_mutex held.
    void SignalChangeLocked();
    // The boundary's change signal and its open handles (each system's own).
    std::condition_variable& Changed() const;
    int ConnectionCountLocked() const;
    // Whether the handset is plugged in (has power); m_mutex held.
    bool PluggedLocked() const;
#ifdef _WIN32
    void SetPlugged(bool plugged);
#else
    void WriteTree();
#endif

    std::string m_root;
    bool m_bOwnsRoot = false;
    mutable std::mutex m_mutex;  // guards the firmware and the recorded reports
    HandsetFirmware m_firmware;
    std::vector<OutputReport> m_outputs;
    std::vector<std::uint8_t> m_heldKeys;
    HandsetFirmware::InputReport m_lastNormal{};
    std::chrono::steady_clock::time_point m_lastUnit{};
    TransferObserver m_transferObserver;
    std::unique_ptr<Boundary> m_boundary;
    std::thread m_server;
};

}  // namespace kestrava::sim
