// Where the session store and the contact list send their entries when the
// contact action dialog opens (redial list, chat and send-file lists). The
// dialog's window implements it (one "add entry" message per entry); tests
// use a mock.
#pragma once

class CCallRecord;
class CUserEntry;

class ContactActionSink {
  public:
    virtual ~ContactActionSink() = default;

    // Appends one line for `record` / `entry` to the dialog's list. Called
    // synchronously while the store or the list holds its lock: the receiver
    // reads the entry during the call, keeps no reference to it, and must not
    // call back into the store or the list from another thread while it
    // handles the entry.
    virtual void AddCallEntry(const CCallRecord& record) = 0;
    virtual void AddContactEntry(const CUserEntry& entry) = 0;
};
