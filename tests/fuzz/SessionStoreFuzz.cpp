// Any sequence of the session store's operations: each takes an operation
// byte and its arguments off the input; texts are zero-terminated with a
// length byte that may run past the zero; every reader gets a buffer of
// exactly the size it is promised.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "session/CSessionStore.h"

namespace {

using kestrava::fuzz::Bytes;

struct Text {
    std::string value;
    int length;
};

Text TakeText(Bytes& in) {
    Text text;
    text.value = in.Text(in.Byte());
    // Whatever the length says, the zero ends the text.
    text.length = static_cast<int>(in.Byte()) - 2;
    return text;
}

int Id(Bytes& in) {
    std::uint8_t b = in.Byte();
    return b & 0x80 ? static_cast<int>(in.Word()) : b % 8;
}

int Value(Bytes& in) {
    std::uint8_t b = in.Byte();
    return b & 0x80 ? static_cast<int>(in.Word()) : static_cast<int>(b) - 2;
}

// A reader's buffer, exactly as large as the store promises; ASan sees a
// write past its end.
struct Out {
    std::vector<char> buffer = std::vector<char>(CSessionStore::kTextBufferSize);
    char* operator()() { return buffer.data(); }
};

void Step(CSessionStore& store, Bytes& in) {
    Out out;
    int number = 0;
    std::uint8_t op = in.Byte();
    switch (op % 48) {
        case 0:
            store.GetCallIdAt(Value(in), &number);
            break;
        case 1:
            store.AddCall(Id(in), in.Byte() & 1);
            break;
        case 2:
            store.GetCallCount(&number);
            break;
        case 3:
            store.ClearCalls();
            break;
        case 4: {
            int id = Id(in);
            Text t = TakeText(in);
            store.SetCallPartnerName(id, t.value.c_str(), t.length);
            break;
        }
        case 5: {
            int id = Id(in);
            Text t = TakeText(in);
            store.SetCallExtraText(id, t.value.c_str(), t.length);
            break;
        }
        case 6: {
            int id = Id(in);
            Text t = TakeText(in);
            store.SetCallPartnerHandle(id, t.value.c_str(), t.length);
            break;
        }
        case 7:
            store.GetSelectedPartnerName(out());
            break;
        case 8:
            store.GetSelectedExtraText(out());
            break;
        case 9:
            store.GetSelectedPartnerHandle(out());
            break;
        case 10:
            for (int i = 0; i < 300 && store.ReadSelectedHandleChar(out()) == S_OK; ++i) {
            }
            break;
        case 11:
            store.PrepareSelection();
            break;
        case 12:
            store.SetCallType(Id(in), Value(in));
            break;
        case 13:
            store.SetCallStatus(Id(in), Value(in));
            break;
        case 14:
            store.SetCallSeen(Id(in), Value(in));
            break;
        case 15:
            store.SetCallDuration(Id(in), Value(in));
            break;
        case 16: {
            int id = Id(in);
            std::uint64_t t = in.Word();
            t |= std::uint64_t{in.Word()} << 32;
            store.SetCallTimestamp(id, static_cast<CallTime>(t));
            break;
        }
        case 17:
            store.SetCallTimestamp(Id(in),
                                   static_cast<CallTime>(static_cast<std::int32_t>(in.Word())));
            break;
        case 18:
            store.FormatSelectedTimes();
            break;
        case 19:
            store.FormatClock();
            break;
        case 20:
            for (int i = 0; i < 300 && store.ReadStartTimeChar(out()) == S_OK; ++i) {
            }
            break;
        case 21:
            for (int i = 0; i < 300 && store.ReadClockChar(out()) == S_OK; ++i) {
            }
            break;
        case 22:
            for (int i = 0; i < 300 && store.ReadDurationChar(out()) == S_OK; ++i) {
            }
            break;
        case 23:
            store.ResetBrowse();
            break;
        case 24:
            store.SetBrowseMode(Value(in));
            break;
        case 25:
            store.RefreshSelection(Id(in));
            break;
        case 26: {
            int b = in.Byte();
            store.SelectNextCall(b & 1, (b >> 1) & 1, &number);
            break;
        }
        case 27:
            store.FormatDuration(Value(in));
            break;
        case 28:
            store.SetCurrentCallId(Id(in));
            break;
        case 29:
            store.SetCurrentCallStatus(Value(in));
            break;
        case 30: {
            Text t = TakeText(in);
            store.SetCurrentCallPartnerName(t.value.c_str(), t.length);
            break;
        }
        case 31: {
            Text t = TakeText(in);
            store.SetCurrentCallExtraText(t.value.c_str(), t.length);
            break;
        }
        case 32: {
            Text t = TakeText(in);
            store.SetCurrentCallPartnerHandle(t.value.c_str(), t.length);
            break;
        }
        case 33:
            store.GetCurrentCallPartnerName(out());
            store.GetCurrentCallExtraText(out());
            store.GetCurrentCallPartnerHandle(out());
            break;
        case 34:
            store.SetCurrentCallType(Value(in));
            store.SetCurrentCallSeen(Value(in));
            break;
        case 35:
            store.SetCurrentCallDuration(Value(in));
            store.SetCurrentCallTimestamp(static_cast<std::int32_t>(in.Word()));
            break;
        case 36:
            store.ArchiveCurrentCall();
            break;
        case 37:
            store.ResetCurrentCall();
            break;
        case 38:
            store.SetSecondCallId(Id(in));
            store.SetSecondCallStatus(Value(in));
            break;
        case 39: {
            Text t = TakeText(in);
            store.SetSecondCallPartnerName(t.value.c_str(), t.length);
            break;
        }
        case 40: {
            Text t = TakeText(in);
            store.SetSecondCallPartnerHandle(t.value.c_str(), t.length);
            store.SetSecondCallExtraText(t.value.c_str(), t.length);
            break;
        }
        case 41:
            store.GetSecondCallPartnerName(out());
            store.GetSecondCallExtraText(out());
            store.GetSecondCallPartnerHandle(out());
            break;
        case 42:
            store.SetSecondCallType(Value(in));
            store.SetSecondCallSeen(Value(in));
            store.SetSecondCallDuration(Value(in));
            break;
        case 43:
            store.ArchiveSecondCall();
            break;
        case 44:
            store.PromoteSecondCall();
            break;
        case 45:
            store.ResetSecondCall();
            break;
        case 46:
            store.CountUnseenMissedCalls(&number);
            store.HasCall(Id(in));
            break;
        default:
            store.PostRecentDialedCalls();
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes in(data, size);
    CSessionStore store;
    while (!in.Empty()) Step(store, in);
    return 0;
}
