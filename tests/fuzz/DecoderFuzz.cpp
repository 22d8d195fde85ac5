// Any sequence of the handset's input report words (4 bytes each, after a
// few bytes that fill the store and the contact list) through the decoder.
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "FuzzRig.h"
#include "handset/ContactListView.h"
#include "handset/HandsetSeams.h"
#include "handset/InputDecoder.h"

namespace kestrava::fuzz {
namespace {

class RecordingKeypad final : public KeypadHandler {
  public:
    int HandleKeyReport(std::uint32_t report) override {
        ++keys;
        last = report;
        return 1;
    }
    int keys = 0;
    std::uint32_t last = 0;
};

}  // namespace
}  // namespace kestrava::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kestrava;
    fuzz::Bytes in(data, size);
    fuzz::DeviceRig rig;
    fuzz::RecordingLink link;
    CSessionStore store;
    CListManager list(&link);
    ListManagerView contacts(list);
    fuzz::RecordingKeypad keypad;
    fuzz::NullAudio audio;
    std::atomic<std::int32_t> announced{in.Byte() & 1};
    rig.device->m_bResync = in.Byte() & 1;
    rig.device->m_bTransferActive = in.Byte() & 1;
    fuzz::SeedSession(in, store, list);

    CInputDecoder decoder(*rig.device, store, contacts, link, keypad, audio, announced);
    while (!in.Empty()) decoder.HandleReport(in.Word());
    return 0;
}
