// What the handset threads read of the contact list: the browse cursor, the
// selected contact and the current call partner's handle. The input worker and
// the upload worker depend on this view rather than the whole list, so they
// can be tested without it; the shell hands them a ListManagerView.
#pragma once

#include "ResultCodes.h"
#include "session/CListManager.h"

class ContactListView {
  public:
    virtual ~ContactListView() = default;

    virtual HResult SelectNextContact(int backward, int skipCurrent) = 0;
    virtual HResult GetSelectedContactName(char* out) = 0;  // CListManager::kTextBufferSize bytes
    virtual HResult GetSelectedContactStatus(int* status) = 0;
    virtual HResult GetContactCount(int* count) = 0;
    virtual HResult ReadSelectedContactHandleChar(char* out) = 0;
    virtual HResult ReadCallerHandleChar(char* out) = 0;
    // The next read of that handle starts at its first character again.
    virtual HResult RewindSelectedContactHandle() = 0;
    virtual HResult RewindCallerHandle() = 0;
};

// The view over the program's one contact list. Every call goes through the
// list's own locked operations.
class ListManagerView final : public ContactListView {
  public:
    explicit ListManagerView(CListManager& list) : m_list(list) {}

    HResult SelectNextContact(int backward, int skipCurrent) override {
        return m_list.SelectNextContact(backward, skipCurrent);
    }
    HResult GetSelectedContactName(char* out) override {
        return m_list.GetSelectedContactName(out);
    }
    HResult GetSelectedContactStatus(int* status) override {
        return m_list.GetSelectedContactStatus(status);
    }
    HResult GetContactCount(int* count) override { return m_list.GetContactCount(count); }
    HResult ReadSelectedContactHandleChar(char* out) override {
        return m_list.ReadSelectedContactHandleChar(out);
    }
    HResult ReadCallerHandleChar(char* out) override { return m_list.ReadCallerHandleChar(out); }
    HResult RewindSelectedContactHandle() override { return m_list.RewindSelectedContactHandle(); }
    HResult RewindCallerHandle() override { return m_list.RewindCallerHandle(); }

  private:
    CListManager& m_list;
};
