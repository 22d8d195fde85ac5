// One call as the program knows it: the current call, the second call, or an
// entry of the call history. Texts are kept as Skype sent them (UTF-8), cut to
// the length the handset's buffers can take.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Seconds since 1970-01-01 UTC. Wider than 32 bits so that calls after
// January 2038 keep their start time.
using CallTime = std::int64_t;

class CCallRecord {
  public:
    // Longest text a record keeps; readers copy it into buffers of this size + 1.
    static constexpr std::size_t kMaxTextLength = 254;

    explicit CCallRecord(int callId = 0) : CallId(callId) {}
    CCallRecord(const CCallRecord&) = default;
    CCallRecord& operator=(const CCallRecord&) = default;
    virtual ~CCallRecord();

    // Replaces `field` with the first `length` characters of `text` (stopping
    // early at a terminating zero, and at kMaxTextLength). A null text clears
    // the field. A negative length is refused and leaves the field unchanged.
    static bool AssignText(std::string& field, const char* text, int length);

    CallTime Timestamp = 0;
    int CallId = 0;
    int Type = -1;    // 0 incoming, 1 outgoing, 2 incoming from a phone line, 3 outgoing to one
    int Status = -1;  // call status code; 5 is a missed call
    int Extra1 = -1;
    int Extra2 = 0;
    int Duration = 0;  // seconds
    int Seen = 0;
    int HasDetails = 0;
    std::string PartnerHandle;
    std::string ExtraText;
    std::string PartnerName;
};
