// What the simulated handset does and shows, the same behind either device
// boundary (SimulatedHandsetPosix.cpp, SimulatedHandsetWin32.cpp).
#include "SimulatedHandset.h"

#include <algorithm>

namespace kestrava::sim {

void SimulatedHandset::SendInputReport(const HandsetFirmware::InputReport& report) {
    Broadcast(report);
}

HandsetFirmware::InputReport SimulatedHandset::LastNormalReport() const {
    std::lock_guard lock(m_mutex);
    return m_lastNormal;
}

void SimulatedHandset::SetAnswersTextAnnouncements(bool answers) {
    std::lock_guard lock(m_mutex);
    m_firmware.SetAnswersTextAnnouncements(answers);
}

std::vector<HandsetFirmware::InputReport> SimulatedHandset::TakeReleasedKeysLocked() {
    std::vector<HandsetFirmware::InputReport> reports;
    if (m_firmware.InTransfer() && std::chrono::steady_clock::now() - m_lastUnit >= kKeyHoldLimit) {
        m_firmware.AbandonTransfer();
    }
    if (m_firmware.InTransfer()) return reports;
    for (std::uint8_t key : m_heldKeys) reports.push_back(m_firmware.KeyReport(key));
    m_heldKeys.clear();
    return reports;
}

void SimulatedHandset::ReleaseHeldKeys() {
    std::vector<HandsetFirmware::InputReport> reports;
    {
        std::lock_guard lock(m_mutex);
        reports = TakeReleasedKeysLocked();
    }
    for (const auto& report : reports) Broadcast(report);
}

int SimulatedHandset::HoldWaitMillisecondsLocked() const {
    if (m_heldKeys.empty() && !m_firmware.InTransfer()) return -1;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        m_lastUnit + kKeyHoldLimit - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<long long>(left.count(), 0) + 1);
}

void SimulatedHandset::PressKey(std::uint8_t keyCode) {
    std::vector<HandsetFirmware::InputReport> reports;
    {
        std::lock_guard lock(m_mutex);
        // An unplugged handset has no power: a key pressed on it makes no
        // report, and the report numbering does not move on.
        if (!PluggedLocked()) return;
        m_heldKeys.push_back(keyCode);
        reports = TakeReleasedKeysLocked();
    }
    for (const auto& report : reports) Broadcast(report);
}

bool SimulatedHandset::IsRinging() const {
    std::lock_guard lock(m_mutex);
    return m_firmware.IsRinging();
}

std::string SimulatedHandset::LcdPicture() const {
    std::lock_guard lock(m_mutex);
    return m_firmware.LcdPicture();
}

std::string SimulatedHandset::LcdText() const {
    std::lock_guard lock(m_mutex);
    return m_firmware.LcdText();
}

std::string SimulatedHandset::LcdField(std::uint8_t section) const {
    std::lock_guard lock(m_mutex);
    return m_firmware.LcdField(section);
}

HandsetFirmware::State SimulatedHandset::CurrentState() const {
    std::lock_guard lock(m_mutex);
    return m_firmware.CurrentState();
}

int SimulatedHandset::TransfersCompleted() const {
    std::lock_guard lock(m_mutex);
    return m_firmware.TransfersCompleted();
}

int SimulatedHandset::HeldKeys() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_heldKeys.size());
}

int SimulatedHandset::TransfersBegun() const {
    std::lock_guard lock(m_mutex);
    return m_firmware.TransfersBegun();
}

bool SimulatedHandset::InTransfer() const {
    std::lock_guard lock(m_mutex);
    return m_firmware.InTransfer();
}

int SimulatedHandset::UnacknowledgedReports() const {
    std::lock_guard lock(m_mutex);
    return m_firmware.UnacknowledgedReports();
}

int SimulatedHandset::UnexpectedAcknowledgements() const {
    std::lock_guard lock(m_mutex);
    return m_firmware.UnexpectedAcknowledgements();
}

std::vector<HandsetSim::OutputReport> SimulatedHandset::OutputReports() const {
    std::lock_guard lock(m_mutex);
    return m_outputs;
}

void SimulatedHandset::HandleOutputReport(const std::uint8_t* bytes, std::size_t length) {
    OutputReport report{};
    std::copy(bytes, bytes + std::min(length, report.size()), report.begin());
    std::vector<HandsetFirmware::InputReport> replies;
    TransferObserver observer;
    std::string picture;
    {
        std::lock_guard lock(m_mutex);
        m_outputs.push_back(report);
        int transfers = m_firmware.TransfersCompleted();
        // A transfer that stopped coming long ago is over before this report.
        replies = TakeReleasedKeysLocked();
        long units = m_firmware.UnitsReceived();
        for (const auto& reply : m_firmware.OnOutputReport(report)) replies.push_back(reply);
        // Only a unit keeps a transfer alive: the commands the program sends
        // meanwhile (the focus timer's, every 100 ms) do not.
        if (m_firmware.UnitsReceived() != units) m_lastUnit = std::chrono::steady_clock::now();
        for (const auto& key : TakeReleasedKeysLocked()) replies.push_back(key);
        if (m_firmware.TransfersCompleted() != transfers && m_transferObserver) {
            observer = m_transferObserver;
            picture = m_firmware.LcdPicture();
        }
        SignalChangeLocked();
    }
    for (const auto& reply : replies) Broadcast(reply);
    if (observer) observer(picture);
}

void SimulatedHandset::SetTransferObserver(TransferObserver observer) {
    std::lock_guard lock(m_mutex);
    m_transferObserver = std::move(observer);
}

void SimulatedHandset::SignalChangeLocked() {
    Changed().notify_all();
}

bool SimulatedHandset::WaitForOutputReports(std::size_t count,
                                            std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return Changed().wait_for(lock, timeout, [&] { return m_outputs.size() >= count; });
}

bool SimulatedHandset::WaitForConnections(int count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return Changed().wait_for(lock, timeout, [&] { return ConnectionCountLocked() >= count; });
}

bool SimulatedHandset::WaitForTransfers(int count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return Changed().wait_for(lock, timeout,
                              [&] { return m_firmware.TransfersCompleted() >= count; });
}

bool SimulatedHandset::WaitForRinging(bool ringing, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return Changed().wait_for(lock, timeout, [&] { return m_firmware.IsRinging() == ringing; });
}

}  // namespace kestrava::sim
