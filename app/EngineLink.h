// The call path's view of the Skype link, forwarded to the engine. The engine
// is created before the call path's components and destroyed after they have
// stopped calling; until it exists (and after) the operations do nothing.
#pragma once

#include <atomic>

#include "protocol/CSkypeEngine.h"
#include "protocol/SkypeLink.h"

namespace kestrava {

class EngineLink final : public SkypeLink {
  public:
    void SetEngine(CSkypeEngine* engine) { m_engine = engine; }

    void QueueCommand(unsigned key, const char* userHandle, int callId) override {
        if (CSkypeEngine* engine = m_engine.load()) {
            engine->QRV_SendSkypeCommandData(key, userHandle, callId);
        }
    }
    void QueueBulkCommand(unsigned key, const char* userHandle, int callId) override {
        if (CSkypeEngine* engine = m_engine.load()) {
            engine->QueueCommand(key, userHandle, callId, CommandLane::Bulk);
        }
    }
    bool SendStraight(const std::string& text) override {
        CSkypeEngine* engine = m_engine.load();
        return engine && engine->SendStraight(text);
    }
    void Rediscover() override {
        if (CSkypeEngine* engine = m_engine.load()) {
            engine->SetApiAction(API_ACTION_DISCOVER);
            engine->StartApiThread();
        }
    }
    bool DisplayEnabled() override {
        CSkypeEngine* engine = m_engine.load();
        return engine && engine->DisplayEnabled() != 0;
    }
    bool FontsSupported() override {
        CSkypeEngine* engine = m_engine.load();
        return engine && engine->FontsSupported() != 0;
    }
    void SetDisplayEnabled(int enabled) override {
        if (CSkypeEngine* engine = m_engine.load()) engine->SetDisplayEnabled(enabled);
    }
    void UpdateTrayState() override {
        if (CSkypeEngine* engine = m_engine.load()) engine->UpdateTrayState();
    }
    void ShowMissedCalls() override {
        if (CSkypeEngine* engine = m_engine.load()) engine->ShowMissedCalls();
    }

    int OwnStatus() override {
        int status = -1;
        if (CSkypeEngine* engine = m_engine.load()) engine->GetOwnStatus(&status);
        return status;
    }
    void ShowStatusOnHandset(int status) override {
        if (CSkypeEngine* engine = m_engine.load()) engine->ShowStatusOnHandset(status);
    }

  private:
    std::atomic<CSkypeEngine*> m_engine{nullptr};
};

}  // namespace kestrava
