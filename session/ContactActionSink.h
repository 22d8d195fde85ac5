// Where the session store sends the recently dialed calls when the contact
// action dialog opens in redial mode. The dialog's window implements it (one
// "add entry" message per record); tests use a mock.
#pragma once

class CCallRecord;

class ContactActionSink {
  public:
    virtual ~ContactActionSink() = default;

    // Appends one line for `record` to the dialog's list. Called synchronously
    // while the store holds its lock: the receiver reads the record during the
    // call, keeps no reference to it, and must not call back into the store
    // from another thread while it handles the entry.
    virtual void AddCallEntry(const CCallRecord& record) = 0;
};
