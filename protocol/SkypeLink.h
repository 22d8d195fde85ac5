// What the call path (the notification dispatcher, the call state machine,
// the contact list and the handset threads) asks of the Skype link. The shell
// forwards each operation to the engine; tests put a mock here.
#pragma once

#include <string>

class SkypeLink {
  public:
    virtual ~SkypeLink() = default;

    // Formats the command of `key` (CommandKeys.h) with its argument and queues
    // it for the sender thread (the engine's QRV_SendSkypeCommandData).
    virtual void QueueCommand(unsigned key, const char* userHandle, int callId) = 0;
    // The same in the bulk lane: the questions that load the contact list and
    // the call history. Every command queued by QueueCommand overtakes them;
    // among themselves they keep their order.
    virtual void QueueBulkCommand(unsigned key, const char* userHandle, int callId) = 0;
    // Sends one text straight to Skype's API window: one bounded WM_COPYDATA,
    // not through the outgoing queue. False when Skype did not take it.
    virtual bool SendStraight(const std::string& text) = 0;
    // Starts discovering Skype again (link action API_ACTION_DISCOVER on a
    // fresh link worker): what a text Skype did not take calls for.
    virtual void Rediscover() = 0;

    // The engine's display and font switches (m_bDisplayEnabled, m_bFontsSupported).
    virtual bool DisplayEnabled() = 0;
    virtual bool FontsSupported() = 0;
    virtual void SetDisplayEnabled(int enabled) = 0;

    virtual void UpdateTrayState() = 0;
    // Shows the count of unseen missed calls on the handset.
    virtual void ShowMissedCalls() = 0;
    // The user's own status as last reported (own status codes, -1 before any).
    virtual int OwnStatus() = 0;
    // Sends the handset the symbol of that own status.
    virtual void ShowStatusOnHandset(int status) = 0;
};
