// The call path's link for the benchmarks: commands are counted, not
// formatted or sent, so a benchmark measures the component it drives.
#pragma once

#include <string>

#include "protocol/SkypeLink.h"

class CountingLink final : public SkypeLink {
  public:
    explicit CountingLink(bool displayEnabled = true) : m_displayEnabled(displayEnabled) {}

    void QueueCommand(unsigned, const char*, int) override { ++queued; }
    void QueueBulkCommand(unsigned, const char*, int) override { ++queued; }
    bool SendStraight(const std::string&) override { return true; }
    void Rediscover() override {}
    bool DisplayEnabled() override { return m_displayEnabled; }
    bool FontsSupported() override { return true; }
    void SetDisplayEnabled(int) override {}
    void UpdateTrayState() override {}
    void ShowMissedCalls() override {}
    int OwnStatus() override { return 0; }
    void ShowStatusOnHandset(int) override {}

    long queued = 0;

  private:
    bool m_displayEnabled;
};
