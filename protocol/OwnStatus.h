// The signed-in user's own status as the engine keeps it (m_nOwnStatus).
#pragma once

namespace kestrava {

// Own status codes (the engine's m_nOwnStatus).
enum OwnStatus : int {
    OWN_STATUS_UNKNOWN = -1,  // nothing reported yet
    OWN_STATUS_ONLINE = 0,
    OWN_STATUS_OFFLINE = 1,  // offline, connecting, logged out, or any value not listed
    OWN_STATUS_SKYPEME = 2,
    OWN_STATUS_AWAY = 3,
    OWN_STATUS_NA = 4,
    OWN_STATUS_DND = 5,
    OWN_STATUS_INVISIBLE = 6,
};

}  // namespace kestrava
