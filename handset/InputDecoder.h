// Decodes the handset's input reports, one at a time on the input worker:
// checks the sequence number, acknowledges the report, and acts on it. The
// handset's own protocol reports (announcement, list browsing, the text of the
// current entry, transfer replies) are handled here; key reports go to the
// keypad handler.
//
// A report word: bits 31..24 report id, 23..16 button byte, 15..8 code,
// 7..0 sequence field (0..3 a normal report, 4..7 a reply during a transfer).
#pragma once

#include <atomic>
#include <cstdint>

#include "handset/CDeviceLibrary.h"

class CSessionStore;
class ContactListView;
class HandsetAudio;
class KeypadHandler;
class SkypeLink;

class CInputDecoder final : public InputReportHandler {
  public:
    static constexpr int kNameTries = 15;  // reads of a browsed call's name, 6 ms apart

    // `handsetAnnounced` is the shell's g_bHandsetAnnounced. Everything given
    // must outlive the decoder's last report (CDeviceLibrary::StopWorkers).
    CInputDecoder(CDeviceLibrary& device, CSessionStore& store, ContactListView& contacts,
                  SkypeLink& link, KeypadHandler& keypad, HandsetAudio& audio,
                  std::atomic<std::int32_t>& handsetAnnounced);

    void HandleReport(std::uint32_t report) override;

    // The sequence number the next normal report must carry unless resync is set.
    int ExpectedSequence() const { return m_nExpectedSeq; }

  private:
    void Dispatch(std::uint8_t code, std::uint32_t report);
    void TransferReply(std::uint8_t code, std::uint8_t seq);
    void Acknowledge(std::uint8_t family);
    void Announce(std::uint8_t code);
    // Puts the handset in the state of the calls that are up; false when none is.
    bool ShowCallsAgain();
    void Browse(int backward);
    void BrowseCalls(int backward);
    void SendEntryText();
    void ChooseCallText(char* text);
    void AnnounceText();

    CDeviceLibrary& m_device;
    CSessionStore& m_store;
    ContactListView& m_contacts;
    SkypeLink& m_link;
    KeypadHandler& m_keypad;
    HandsetAudio& m_audio;
    std::atomic<std::int32_t>& m_handsetAnnounced;

    // Only the input worker touches these.
    int m_nExpectedSeq = 1;
    std::uint8_t m_nLastSeq = 0;
};
