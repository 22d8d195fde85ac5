// Status codes of a call as the session store keeps them.
#pragma once

#include <initializer_list>

enum CallStatusCode : int {
    CALL_NONE = -1,
    CALL_ROUTING = 0,
    CALL_RINGING_OUT = 1,
    CALL_RINGING_IN = 2,
    CALL_INPROGRESS = 3,
    CALL_FINISHED = 4,
    CALL_MISSED = 5,
    CALL_FAILED = 6,
    CALL_REFUSED = 7,
    CALL_BUSY = 8,
    CALL_CANCELLED = 9,
    CALL_LOCALHOLD = 15,
    CALL_VM_PLAYING_GREETING = 17,
    CALL_VM_RECORDING = 18,
    CALL_VM_SENT = 20,
    CALL_VM_CANCELLED = 21,
    CALL_VM_REDIRECT = 22,
    CALL_EARLYMEDIA = 23,
};

// Call types, from Skype's TYPE property.
enum CallTypeCode : int {
    CALL_TYPE_UNKNOWN = -1,
    CALL_TYPE_INCOMING_P2P = 0,
    CALL_TYPE_OUTGOING_P2P = 1,
    CALL_TYPE_INCOMING_PSTN = 2,
    CALL_TYPE_OUTGOING_PSTN = 3,
};

inline bool IsOneOf(int value, std::initializer_list<int> set) {
    for (int member : set) {
        if (value == member) return true;
    }
    return false;
}

// A call that ended without being answered or that failed.
inline bool IsEnded(int status) {
    return IsOneOf(status, {CALL_MISSED, CALL_FAILED, CALL_REFUSED, CALL_BUSY, CALL_CANCELLED});
}

// A call that ended after it was answered (or its voicemail ended).
inline bool IsFinished(int status) {
    return IsOneOf(status, {CALL_FINISHED, CALL_VM_SENT, CALL_VM_CANCELLED});
}

// A status after which nothing more happens to the call.
inline bool IsFinal(int status) {
    return IsEnded(status) || IsFinished(status);
}
