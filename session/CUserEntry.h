// One Skype contact as the contact list keeps it.
#pragma once

#include <string>

class CUserEntry {
  public:
    // Longest display name kept; readers copy it into 255-byte buffers.
    static constexpr std::size_t kMaxNameLength = 254;

    CUserEntry(int index, std::string handle, int status)
        : m_nIndex(index), m_strHandle(std::move(handle)), m_nStatus(status) {}
    virtual ~CUserEntry() = default;

    int m_nIndex = 0;         // position in the manager's m_UserLists
    std::string m_strHandle;  // Skype handle
    int m_nStatus = 0;        // 3 reachable, 0 not reachable
    std::string m_Name;       // display name as received (UTF-8), empty when none is known
    // m_Name upper-cased for comparisons, kept with it so that sorting never
    // upper-cases copies.
    std::string m_strSortKey;
};
