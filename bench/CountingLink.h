// The call path's link for the benchmarks: commands are counted, not
// formatted or sent, so a benchmark measures the component it drives.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "protocol/SkypeLink.h"

class CountingLink final : public SkypeLink {
  public:
    explicit CountingLink(bool displayEnabled = true) : m_displayEnabled(displayEnabled) {}

    void QueueCommand(unsigned key, const char*, int callId) override {
        ++queued;
        if (asked != nullptr) asked->emplace_back(key, callId);
    }
    void QueueBulkCommand(unsigned key, const char* handle, int callId) override {
        QueueCommand(key, handle, callId);
    }
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
    // When set, each command's key and call id are kept, for a benchmark
    // that answers exactly what was asked.
    std::vector<std::pair<unsigned, int>>* asked = nullptr;

  private:
    bool m_displayEnabled;
};
