// One run of the handset display upload: what m_nDisplayContent has pending
// (a single item, the browsed contact or call, in rendered-font or character
// mode, or the call timer) goes to the handset as two-byte transfer units,
// and the transfer is closed with the end marker (0x1A, 0x0A) on every path.
//
// Another thread stops a run through m_bAbortPending (and the renderer's
// SetAbort): the run checks it between units and never waits for anybody.
#pragma once

#include <cstdint>

#include "ResultCodes.h"
#include "handset/CDeviceLibrary.h"

class CSessionStore;
class ContactListView;

class CUploadWorker final : public UploadRunner {
  public:
    // Everything given must outlive the last run (CDeviceLibrary::StopWorkers).
    CUploadWorker(CDeviceLibrary& device, CSessionStore& store, ContactListView& contacts);

    // Runs on the upload thread that CDeviceLibrary::StartUpload started.
    void RunUpload() override;

  private:
    void FontMode(std::int32_t content);
    void CharacterMode(std::int32_t content);
    void CallTimer();
    void FontSingleItem();
    void FontCallEntry();
    // The duration and start time sections of a call entry; false when stopped.
    bool SendCallTimes(std::uint8_t& toggle);
    void CharacterSingleItem();
    void CharacterContactEntry();
    void CharacterCallEntry();
    void SendRendered();
    void End();

    // Sends each character that `read` gives, 1 ms apart. False when a stop
    // request came; the text is then rewound (`rewind`), so the next transfer
    // sends it whole.
    template <typename Read, typename Rewind>
    bool Stream(Read read, Rewind rewind, std::uint8_t& toggle);
    bool Stream(HResult (CSessionStore::*read)(char*), HResult (CSessionStore::*rewind)(),
                std::uint8_t& toggle);
    bool Stopped() const;
    bool Send(std::uint8_t value, std::uint8_t control);
    void SendMarker(std::uint8_t value) { Send(value, 0x0A); }
    std::uint8_t ContactKind();
    std::uint8_t CallKind(bool fontMode);

    CDeviceLibrary& m_device;
    CSessionStore& m_store;
    ContactListView& m_contacts;
};
