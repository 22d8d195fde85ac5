#include "handset/InputDecoder.h"

#include <cstring>

#include "CLcdRenderer.h"
#include "handset/CallDetailRequests.h"
#include "handset/ContactListView.h"
#include "handset/HandsetCommands.h"
#include "handset/HandsetSeams.h"
#include "handset/TransferControl.h"
#include "platform/Pause.h"
#include "protocol/CallStatus.h"
#include "protocol/SkypeLink.h"
#include "session/CSessionStore.h"

using namespace kestrava;

namespace {

// Report codes.
constexpr std::uint8_t kTransferReady = 0x5A;  // 'Z': the handset takes the transfer now
constexpr std::uint8_t kAnnounceDisplay = 0x80;
constexpr std::uint8_t kAnnounceNoDisplay = 0x81;
constexpr std::uint8_t kPrevious = 0x61;   // 'a'
constexpr std::uint8_t kNext = 0x62;       // 'b'
constexpr std::uint8_t kEntryText = 0x6C;  // 'l'
constexpr std::uint8_t kKeyNoAck = 0x1A;
// Codes that, while a list is browsed, may come out of order: taken whatever
// their sequence number.
constexpr std::uint8_t kBrowseResync1 = 0x31;
constexpr std::uint8_t kBrowseResync2 = 0x6E;

constexpr int kFirstTransferSeq = 4;
constexpr int kLastTransferSeq = 7;

// Large enough for any text the store or the list hands out, twice over.
constexpr std::size_t kTextBufferSize = 510;

constexpr std::int32_t kBrowsing = display::kContactList | display::kCallList;

bool IsIncoming(int type) {
    return type == 0 || type == 2;
}

}  // namespace

CInputDecoder::CInputDecoder(CDeviceLibrary& device, CSessionStore& store,
                             ContactListView& contacts, SkypeLink& link, KeypadHandler& keypad,
                             HandsetAudio& audio, std::atomic<std::int32_t>& handsetAnnounced)
    : m_device(device),
      m_store(store),
      m_contacts(contacts),
      m_link(link),
      m_keypad(keypad),
      m_audio(audio),
      m_handsetAnnounced(handsetAnnounced) {}

void CInputDecoder::HandleReport(std::uint32_t report) {
    auto code = static_cast<std::uint8_t>(report >> 8);
    auto seq = static_cast<std::uint8_t>(report);
    // The handset numbers its reports 0..7. Another field is no report of
    // its own: taken on a resync, its number would go out OR-ed into an
    // acknowledgement that is some other command (0xFF | 0x50 is 0xFF) and
    // put the expected number out of step with the handset's.
    if (seq > kLastTransferSeq) return;
    if ((code == kBrowseResync1 || code == kBrowseResync2) &&
        (m_device.m_nDisplayContent & kBrowsing)) {
        m_device.m_bResync = 1;
    }
    bool transferReply = seq >= kFirstTransferSeq && seq <= kLastTransferSeq;
    // A transfer reply never stands in for a normal report, not even on a
    // resync: taking its number would put the expected number out of step
    // and lose the transfer it asks for.
    if (!transferReply && (seq == m_nExpectedSeq || m_device.m_bResync == 1)) {
        m_nLastSeq = seq;
        m_nExpectedSeq = (seq + 1) % 4;
        Dispatch(code, report);
        // Only a normal report taken ends a resync: a dropped one (a stray
        // field, a transfer reply) must leave it for the report it waits for,
        // such as the announcement after the ready sequence.
        m_device.m_bResync = 0;
    } else if (transferReply) {
        TransferReply(code, seq);
    }
    // Anything else is a repeat or out of order: the handset sends it again
    // or resynchronises.
}

void CInputDecoder::Dispatch(std::uint8_t code, std::uint32_t report) {
    switch (code) {
        case kTransferReady:
        case 0x01:
        case 0x02:
        case 0x42:
        case 0x43:
            return;
        case kAnnounceDisplay:
        case kAnnounceNoDisplay:
            Announce(code);
            return;
        case kPrevious:
        case kNext:
            Browse(code == kPrevious ? 1 : 0);
            Acknowledge(kAckHandled);
            return;
        case kEntryText:
            Acknowledge(kAckHandled);
            SendEntryText();
            return;
        case kKeyNoAck:
            m_keypad.HandleKeyReport(report);
            return;
        default:
            if (m_device.m_bLinkReady == 1) {
                Acknowledge(kAckHandled);
                m_keypad.HandleKeyReport(report);
            } else {
                Acknowledge(kAckNotHandled);
            }
            return;
    }
}

void CInputDecoder::TransferReply(std::uint8_t code, std::uint8_t seq) {
    std::int32_t content = m_device.m_nDisplayContent;
    if (content & (display::kFontMode | display::kCharacterMode)) {
        if (code != kTransferReady) {
            m_device.SendCommand(seq | kAckTransferReply);
        } else if (!m_device.m_bTransferActive.load(std::memory_order_acquire)) {
            m_device.StartUpload();
        }
    } else if ((content & display::kCallTimer) &&
               !m_device.m_bTransferActive.load(std::memory_order_acquire)) {
        m_device.StartUpload();
    }
}

void CInputDecoder::Acknowledge(std::uint8_t family) {
    m_device.SendCommand(m_nLastSeq | family);
}

void CInputDecoder::Announce(std::uint8_t code) {
    m_handsetAnnounced = 1;
    m_device.m_nDisplayContent.fetch_and(~display::kAwaitAnnouncement);
    Pause(std::chrono::milliseconds(20));
    m_device.ApplyAgc();
    Pause(std::chrono::milliseconds(10));
    m_audio.SetSpeakerFader(2, m_device.m_nReg04Value);
    m_audio.SetMicrophoneFader(2, m_device.m_nReg1CValue);
    int display = code == kAnnounceDisplay ? 1 : 0;
    m_device.m_bHandsetDisplay = display;
    m_link.SetDisplayEnabled(display);
    m_link.UpdateTrayState();
    if (ShowCallsAgain()) return;
    m_link.ShowMissedCalls();
}

// The handset came back (plugged in, the link ready again) while calls are
// up: it is put in their state. A call that began to ring meanwhile rings, a
// call in progress or held shows as active, one being placed as placed. The
// missed calls are shown only with no call up. The caller's name is not asked
// again here: the ring's own request may still be on its way, and two
// requests crossing stop each other's transfer.
bool CInputDecoder::ShowCallsAgain() {
    int current = 0, status = CALL_NONE, second = 0, secondStatus = CALL_NONE;
    m_store.GetBothCalls(&current, &status, &second, &secondStatus);
    if (current == 0) return false;
    int type = CALL_TYPE_UNKNOWN;
    m_store.GetCurrentCallType(&type);
    const bool currentRings =
        status == CALL_RINGING_IN || (status == CALL_EARLYMEDIA && IsIncoming(type));
    // A second call waiting rings unless a call is in progress (Skype's own
    // outgoing second call rings out).
    const bool secondRings = second != 0 &&
                             IsOneOf(secondStatus, {CALL_RINGING_IN, CALL_EARLYMEDIA}) &&
                             status != CALL_INPROGRESS;
    const bool active = IsOneOf(status, {CALL_INPROGRESS, CALL_LOCALHOLD});
    const bool placed = IsOneOf(status, {CALL_ROUTING, CALL_RINGING_OUT, CALL_EARLYMEDIA});
    if (!currentRings && !secondRings && !active && !placed) return false;
    StopHandsetTransfer(m_device, std::chrono::milliseconds(20));
    m_device.SendCommand(HS_END_TRANSFER);
    if (active) {
        m_device.SendCommand(HS_CALL_ACTIVE);
    } else if (placed && !currentRings) {
        m_device.SendCommand(HS_CALL_ROUTING);
    }
    if (currentRings || secondRings) m_device.SendCommand(HS_CALL_ALERT);
    return true;
}

void CInputDecoder::Browse(int backward) {
    std::int32_t content = m_device.m_nDisplayContent;
    if (content & display::kContactList) {
        char text[kTextBufferSize] = {};
        m_contacts.SelectNextContact(backward, 1);
        m_contacts.GetSelectedContactName(text);
        if (CLcdRenderer* renderer = m_device.Renderer()) renderer->RenderText(text);
    } else if (content & display::kCallList) {
        BrowseCalls(backward);
    }
}

void CInputDecoder::BrowseCalls(int backward) {
    int id = 0;
    if (m_store.SelectNextCall(backward, 1, &id) != S_OK) return;
    int hasDetails = 0;
    m_store.GetCallHasDetails(id, &hasDetails);
    if (hasDetails) {
        m_store.RefreshSelection(id);
        return;
    }
    PrepareAndRequestCallDetails(m_store, m_link, id);
}

void CInputDecoder::SendEntryText() {
    std::int32_t content = m_device.m_nDisplayContent;
    // The entry's text is announced below: a transfer still running (the
    // last entry's) is stopped first, so its end cannot clear the new text's
    // pending bit.
    if (content & kBrowsing) StopHandsetTransferBeforeText(m_device);
    if (content & display::kContactList) {
        int count = 0;
        m_contacts.GetContactCount(&count);
        if (count > 0) AnnounceText();
    } else if (content & display::kCallList) {
        char text[kTextBufferSize] = {};
        ChooseCallText(text);
        if (CLcdRenderer* renderer = m_device.Renderer()) renderer->RenderText(text);
        AnnounceText();
    } else {
        m_device.SendCommand(HS_END_TRANSFER);
    }
}

void CInputDecoder::ChooseCallText(char* text) {
    int count = 0;
    m_store.GetCallCount(&count);
    if (count == 0) {
        m_store.PrepareSelection();
        std::strcpy(text, "No calling data.");
        return;
    }
    if (m_store.HasCursor() == S_OK) {
        // The name may still be on its way from Skype (requested on browsing).
        for (int attempt = 0; attempt < kNameTries; ++attempt) {
            Pause(std::chrono::milliseconds(6));
            if (m_store.GetSelectedPartnerName(text) == S_OK) return;
        }
        std::strcpy(text, "Unknown User");
        return;
    }
    // Nothing of this kind in the history: the preset of the browse mode says which.
    m_store.PrepareSelection();
    int type = -1, status = -1;
    m_store.GetSelectedType(&type);
    m_store.GetSelectedStatus(&status);
    bool missed = IsIncoming(type) && status == CSessionStore::kStatusMissed;
    std::strcpy(text, missed ? "No Missed Calls" : "No Calls");
}

void CInputDecoder::AnnounceText() {
    // The pending bit goes first: a handset that answers at once finds the
    // transfer it asks for, rather than a stray reply.
    if (m_link.FontsSupported()) {
        m_device.m_nDisplayContent.fetch_or(display::kFontMode);
        m_device.SendCommand(HS_TEXT_FONT);
    } else {
        m_device.m_nDisplayContent.fetch_or(display::kCharacterMode);
        m_device.SendCommand(HS_TEXT_RAW);
    }
}
