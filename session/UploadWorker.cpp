#include "session/UploadWorker.h"

#include "CLcdRenderer.h"
#include "handset/ContactListView.h"
#include "handset/HandsetCommands.h"
#include "platform/Pause.h"
#include "session/CSessionStore.h"

using namespace kestrava;

namespace {

constexpr auto k1ms = std::chrono::milliseconds(1);
// The handset needs these around the start unit of a single item and before
// its text, and before the start unit of the call timer.
constexpr auto kBeforeItemStart = std::chrono::milliseconds(15);
constexpr auto kAfterItemStart = std::chrono::milliseconds(25);
constexpr auto kBeforeItemText = std::chrono::milliseconds(3);
constexpr auto kBeforeTimerStart = std::chrono::milliseconds(2);

}  // namespace

CUploadWorker::CUploadWorker(CDeviceLibrary& device, CSessionStore& store,
                             ContactListView& contacts)
    : m_device(device), m_store(store), m_contacts(contacts) {}

void CUploadWorker::RunUpload() {
    if (m_device.m_bTransferActive.load(std::memory_order_acquire)) {
        std::int32_t content = m_device.m_nDisplayContent;
        if (content & display::kFontMode) {
            FontMode(content);
        } else if (content & display::kCharacterMode) {
            CharacterMode(content);
        } else if (content & display::kCallTimer) {
            CallTimer();
        } else {
            m_device.m_bTransferActive.store(0, std::memory_order_release);
        }
    }
    End();
}

void CUploadWorker::FontMode(std::int32_t content) {
    if (content & display::kSingleItem) {
        FontSingleItem();
    } else if (content & display::kContactList) {
        std::uint8_t kind = ContactKind();
        if (Stopped()) return;
        SendMarker(kind);
        Pause(k1ms);
        SendRendered();
    } else if (content & display::kCallList) {
        FontCallEntry();
    }
}

void CUploadWorker::FontSingleItem() {
    Pause(kBeforeItemStart);
    Send(0x00, unit::kStartControl);
    if (Stopped()) return;
    Pause(kAfterItemStart);
    // A handset that did not take the item's marker would show the bitmap
    // out of place: the transfer ends here.
    if (!Send(unit::kReachable, unit::kMarker)) return;
    if (Stopped()) return;
    Pause(kBeforeItemText);
    SendRendered();
}

void CUploadWorker::FontCallEntry() {
    std::uint8_t kind = CallKind(true);
    if (Stopped()) return;
    SendMarker(kind);
    Pause(k1ms);
    if (Stopped()) return;
    std::uint8_t toggle = unit::kToggleOff;
    if (!SendCallTimes(toggle)) return;
    SendRendered();
}

bool CUploadWorker::SendCallTimes(std::uint8_t& toggle) {
    SendMarker(unit::kDuration);
    Pause(k1ms);
    if (Stopped()) return false;
    toggle = unit::kToggleOff;
    if (!Stream(&CSessionStore::ReadDurationChar, &CSessionStore::RewindDuration, toggle))
        return false;
    if (Stopped()) return false;
    SendMarker(unit::kStartTime);
    Pause(k1ms);
    if (Stopped()) return false;
    toggle = unit::kToggleOff;
    if (!Stream(&CSessionStore::ReadStartTimeChar, &CSessionStore::RewindStartTime, toggle))
        return false;
    return !Stopped();
}

void CUploadWorker::CharacterMode(std::int32_t content) {
    if (content & display::kSingleItem) {
        CharacterSingleItem();
    } else if (content & display::kContactList) {
        CharacterContactEntry();
    } else if (content & display::kCallList) {
        CharacterCallEntry();
    }
}

void CUploadWorker::CharacterSingleItem() {
    Pause(kBeforeItemStart);
    Send(0x00, unit::kStartControl);
    if (Stopped()) return;
    Pause(kAfterItemStart);
    SendMarker(unit::kReachable);
    if (Stopped()) return;
    Pause(kBeforeItemText);
    SendMarker(unit::kText);
    if (Stopped()) return;
    Pause(k1ms);
    std::uint8_t toggle = unit::kToggleOff;
    Stream([this](char* c) { return m_contacts.ReadCallerHandleChar(c); },
           [this] { return m_contacts.RewindCallerHandle(); }, toggle);
}

void CUploadWorker::CharacterContactEntry() {
    std::uint8_t kind = ContactKind();
    if (Stopped()) return;
    SendMarker(kind);
    Pause(k1ms);
    if (Stopped()) return;
    SendMarker(unit::kText);
    Pause(k1ms);
    std::uint8_t toggle = unit::kToggleOff;
    Stream([this](char* c) { return m_contacts.ReadSelectedContactHandleChar(c); },
           [this] { return m_contacts.RewindSelectedContactHandle(); }, toggle);
}

void CUploadWorker::CharacterCallEntry() {
    std::uint8_t kind = CallKind(false);
    if (Stopped()) return;
    Pause(k1ms);
    SendMarker(kind);
    if (Stopped()) return;
    Pause(k1ms);
    std::uint8_t toggle = unit::kToggleOff;
    if (!SendCallTimes(toggle)) return;
    SendMarker(unit::kText);
    Pause(k1ms);
    // The handle's toggle goes on from where the start time left it.
    Stream(&CSessionStore::ReadSelectedHandleChar, &CSessionStore::RewindSelectedHandle, toggle);
}

void CUploadWorker::CallTimer() {
    if (Stopped()) return;
    Pause(kBeforeTimerStart);
    Send(0x00, unit::kStartControl);
    if (Stopped()) return;
    Pause(k1ms);
    SendMarker(unit::kCallTimer);
    if (Stopped()) return;
    Pause(k1ms);
    std::uint8_t toggle = unit::kToggleOff;
    Stream(&CSessionStore::ReadDurationChar, &CSessionStore::RewindDuration, toggle);
}

void CUploadWorker::SendRendered() {
    if (CLcdRenderer* renderer = m_device.Renderer()) renderer->SendRendered();
}

void CUploadWorker::End() {
    std::int32_t content = m_device.m_nDisplayContent;
    if (content & display::kFontMode) {
        m_device.m_nDisplayContent.fetch_and(~(display::kFontMode | display::kSingleItem));
    } else if (content & display::kCharacterMode) {
        m_device.m_nDisplayContent.fetch_and(~(display::kCharacterMode | display::kSingleItem));
    } else {
        m_device.m_nDisplayContent.fetch_and(~display::kCallTimer);
    }
    Pause(k1ms);
    SendMarker(unit::kEnd);
    if (CLcdRenderer* renderer = m_device.Renderer()) renderer->SetAbort(0);
    // The transfer is let go before the stop request is answered: a
    // requester that sees m_bAbortPending clear finds no transfer running.
    m_device.m_bTransferActive.store(0, std::memory_order_release);
    m_device.m_bAbortPending.store(0, std::memory_order_release);
}

bool CUploadWorker::Stopped() const {
    return m_device.m_bAbortPending.load(std::memory_order_acquire) != 0;
}

bool CUploadWorker::Send(std::uint8_t value, std::uint8_t control) {
    return m_device.SendCommandData(value, control);
}

template <typename Read, typename Rewind>
bool CUploadWorker::Stream(Read read, Rewind rewind, std::uint8_t& toggle) {
    char c = 0;
    while (read(&c) == S_OK) {
        Send(static_cast<std::uint8_t>(c), toggle);
        toggle = toggle == unit::kToggleOff ? unit::kToggleOn : unit::kToggleOff;
        Pause(k1ms);
        // The request is answered in End, after the pending bits are cleared:
        // answered here, a requester could set its own bits in between and
        // lose them.
        if (Stopped()) {
            // The read position is inside the text: the next transfer of
            // this entry starts it again from its first character.
            rewind();
            return false;
        }
    }
    return true;
}

bool CUploadWorker::Stream(HResult (CSessionStore::*read)(char*),
                           HResult (CSessionStore::*rewind)(), std::uint8_t& toggle) {
    return Stream([this, read](char* c) { return (m_store.*read)(c); },
                  [this, rewind] { return (m_store.*rewind)(); }, toggle);
}

std::uint8_t CUploadWorker::ContactKind() {
    int status = 0;
    m_contacts.GetSelectedContactStatus(&status);
    return status == 3 ? unit::kReachable : unit::kOther;
}

std::uint8_t CUploadWorker::CallKind(bool fontMode) {
    int type = -1, status = -1;
    m_store.GetSelectedType(&type);
    m_store.GetSelectedStatus(&status);
    if (type == 0 || type == 2) {
        return status == CSessionStore::kStatusMissed ? unit::kMissed : unit::kReachable;
    }
    if (type == 1 || type == 3) return unit::kOther;
    return fontMode ? unit::kOther : 0x00;
}
