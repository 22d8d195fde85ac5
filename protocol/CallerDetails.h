// Where the call state machine tells the contact list who is calling.
#pragma once

#include "session/CListManager.h"

class CallerDetails {
  public:
    virtual ~CallerDetails() = default;
    virtual void SetCallerHandle(const char* handle) = 0;
    virtual void SetCallerName(const char* name) = 0;
};

// The contact list manager behind CallerDetails.
class ListManagerCallerDetails final : public CallerDetails {
  public:
    explicit ListManagerCallerDetails(CListManager& list) : m_list(list) {}
    void SetCallerHandle(const char* handle) override { m_list.SetCallerHandle(handle); }
    void SetCallerName(const char* name) override { m_list.SetCallerName(name); }

  private:
    CListManager& m_list;
};
