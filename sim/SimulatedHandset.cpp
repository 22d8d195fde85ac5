// What the simulated handset does and shows, the same behind either device
// boundary (SimulatedHandsetPosix.cpp, SimulatedHandsetWin32.cpp).
#include "SimulatedHandset.h"

#include <algorithm>

namespace kestrava::sim {

void SimulatedHandset::SendInputReport(const HandsetFirmware::InputReport& report) {
    Broadcast(report);
}

void SimulatedHandset::PressKey(std::uint8_t keyCode) {
    HandsetFirmware::InputReport report;
    {
        std::lock_guard lock(m_mutex);
        report = m_firmware.KeyReport(keyCode);
    }
    Broadcast(report);
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
        replies = m_firmware.OnOutputReport(report);
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
