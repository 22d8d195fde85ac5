// Keys of the command set: each names one text that the engine formats and queues.
#pragma once

enum SkypeCommandKey : unsigned {
    KEY_SKYPE_PROTOCOL = 1,
    KEY_SKYPE_PING = 2,
    KEY_SKYPE_SET_AUDIO_IN = 3,
    KEY_SKYPE_SET_AUDIO_OUT = 4,
    KEY_SKYPE_GET_SKYPEVERSION = 5,
    KEY_SKYPE_SEARCH_FRIENDS = 6,
    KEY_SKYPE_GET_USER_ONLINESTATUS = 7,
    KEY_SKYPE_GET_CALL_PARTNER_HANDLE = 8,
    KEY_SKYPE_GET_CALL_PARTNER_DISPNAME = 9,
    KEY_SKYPE_GET_USER_FULLNAME = 10,
    KEY_SKYPE_GET_CALL_TYPE = 11,
    KEY_SKYPE_SEARCH_CALLS = 12,
    KEY_SKYPE_GET_CALL_TIMESTAMP = 13,
    // 14 is unassigned.
    KEY_SKYPE_GET_USER_DISPLAYNAME = 15,
    KEY_SKYPE_NAME = 16,
    KEY_SKYPE_GET_CALL_DURATION = 17,
    KEY_SKYPE_GET_AUDIO_IN = 18,
    KEY_SKYPE_GET_AUDIO_OUT = 19,
    KEY_SKYPE_HOOK_ON = 20,
    KEY_SKYPE_GET_CALL_STATUS = 21,
    KEY_SKYPE_GET_CALL_SEEN = 22,
    KEY_SKYPE_GET_PROFILE_PSTN_BALANCE = 23,
    KEY_SKYPE_GET_PRIVILEGE_SKYPEOUT = 24,
    KEY_SKYPE_SEARCH_MISSEDCALLS = 25,
    // 26 is unassigned.
    KEY_SKYPE_RESET_AUDIO_IN = 27,
    KEY_SKYPE_RESET_AUDIO_OUT = 28,
    KEY_SKYPE_GET_CURRENTUSERHANDLE = 29,
    KEY_SKYPE_GET_USERSTATUS = 30,
    KEY_SKYPE_SET_RINGER = 31,
    KEY_SKYPE_RESET_RINGER = 32,
    KEY_SKYPE_FLUSH = 33,
};

// The two lanes of commands to Skype. What a person at the handset waits for
// (the calls' questions and commands, the attach sequence, status, mute, the
// texts of the keys) goes live; the questions that load the contact list and
// the call history go bulk. The sender takes the oldest live command first and
// a bulk one only when no live one waits; each lane keeps its own order.
enum class CommandLane { Live, Bulk };

// Link actions run by the engine's link worker.
enum ApiAction : int {
    API_ACTION_NONE = 0,
    API_ACTION_DISCOVER = 1,
    API_ACTION_ATTACHED = 2,
    // 3 is not used.
    API_ACTION_ROUTE_AUDIO = 4,
    API_ACTION_DETACH = 5,
};
