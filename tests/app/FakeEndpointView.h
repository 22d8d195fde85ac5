// A minimal Audio Device Settings window for the endpoint tests: the boxes'
// lines and selections, locked because the watcher reaches them too.
#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/AudioDeviceSettings.h"

namespace kestrava::testing {

class FakeEndpointView final : public AudioDeviceDialogView {
  public:
    bool AutoSwitchChecked() override { return false; }
    void SetAutoSwitchChecked(bool) override {}
    void InsertText(int comboId, int index, const std::string& text) override {
        std::lock_guard lock(m_lock);
        auto& lines = m_lines[comboId];
        lines.insert(lines.begin() + std::min<std::size_t>(index, lines.size()), text);
    }
    void SelectIndex(int comboId, int index) override {
        std::lock_guard lock(m_lock);
        m_selected[comboId] = index;
    }
    std::string SelectedText(int comboId) override {
        std::lock_guard lock(m_lock);
        const auto& lines = m_lines[comboId];
        const int index = m_selected.contains(comboId) ? m_selected[comboId] : -1;
        return index >= 0 && index < static_cast<int>(lines.size()) ? lines[index] : std::string();
    }
    void CloseDropDown(int) override {}
    void AnswerSentMessages(std::chrono::milliseconds maxWait) override {
        std::this_thread::sleep_for(maxWait);
    }

    std::vector<std::string> Lines(int comboId) {
        std::lock_guard lock(m_lock);
        return m_lines[comboId];
    }
    int Selected(int comboId) {
        std::lock_guard lock(m_lock);
        return m_selected.contains(comboId) ? m_selected[comboId] : -1;
    }

  private:
    std::mutex m_lock;
    std::map<int, std::vector<std::string>> m_lines;
    std::map<int, int> m_selected;
};

}  // namespace kestrava::testing
