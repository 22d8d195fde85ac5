// Asking Skype for what the handset shows of a browsed call whose details are
// not known yet. The replies come back as notifications and the parser fills
// the store; until then the selection shows what the store has.
#pragma once

#include "protocol/CommandKeys.h"
#include "protocol/SkypeLink.h"
#include "session/CSessionStore.h"

namespace kestrava {

inline void PrepareAndRequestCallDetails(CSessionStore& store, SkypeLink& link, int callId) {
    store.PrepareSelection();
    link.QueueCommand(KEY_SKYPE_GET_CALL_DURATION, nullptr, callId);
    // The name is only of use when the handset shows rendered text.
    if (link.FontsSupported())
        link.QueueCommand(KEY_SKYPE_GET_CALL_PARTNER_DISPNAME, nullptr, callId);
    link.QueueCommand(KEY_SKYPE_GET_CALL_PARTNER_HANDLE, nullptr, callId);
    link.QueueCommand(KEY_SKYPE_GET_CALL_TIMESTAMP, nullptr, callId);
}

}  // namespace kestrava
