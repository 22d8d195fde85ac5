// The engine's own state (display switch, renderer, own status, own handle,
// audio device replies) and the operations that show it on the handset and
// in the tray: the missed-call count, the status symbol, the ready sequence.
#include <cstdio>

#include "CLcdRenderer.h"
#include "handset/HandsetCommands.h"
#include "platform/Pause.h"
#include "protocol/CSkypeEngine.h"
#include "protocol/OwnStatus.h"

using namespace kestrava;

namespace {
constexpr int kTrayTipActive = 13;
constexpr int kTrayTipInactive = 14;
}  // namespace

int CSkypeEngine::SetDisplayEnabled(int enabled) {
    m_bDisplayEnabled = enabled;
    return 0;
}

int CSkypeEngine::SetRenderer(CLcdRenderer* renderer) {
    m_pRenderer = renderer;
    return 0;
}

int CSkypeEngine::UpdateTrayState() {
    int status = -1;
    GetOwnStatus(&status);
    if (status != OWN_STATUS_OFFLINE && m_collaborators.HandsetPresent()) {
        m_collaborators.ShowTrayState(m_strIconActive, kTrayTipActive);
    } else {
        m_collaborators.ShowTrayState(m_strIconNoAny, kTrayTipInactive);
    }
    return 0;
}

int CSkypeEngine::GetOwnStatus(int* status) {
    if (status) *status = m_nOwnStatus;
    return 0;
}

namespace {

constexpr std::int32_t kMissedCallsContent = display::kSingleItem | display::kFontMode;
constexpr auto kTextPause = std::chrono::milliseconds(20);
constexpr auto kReadyPause = std::chrono::milliseconds(25);

// The handset's symbol for each own status; offline-like and unknown share one.
std::uint8_t StatusSymbol(int status) {
    switch (status) {
        case OWN_STATUS_ONLINE:
            return HS_STATUS_ONLINE;
        case OWN_STATUS_SKYPEME:
            return HS_STATUS_SKYPEME;
        case OWN_STATUS_AWAY:
            return HS_STATUS_AWAY;
        case OWN_STATUS_NA:
            return HS_STATUS_NA;
        case OWN_STATUS_DND:
            return HS_STATUS_DND;
        case OWN_STATUS_INVISIBLE:
            return HS_STATUS_INVISIBLE;
        default:
            return HS_STATUS_OFFLINE_SYMBOL;
    }
}

}  // namespace

// The count of unseen missed calls on the handset. The two texts differ in
// when the font transfer is announced: after the pause for a count, before it
// for "No Missed Calls.".
int CSkypeEngine::ShowMissedCalls() {
    const int count = m_collaborators.CountUnseenMissedCalls();
    if (!m_bDisplayEnabled) return 0;
    CLcdRenderer* renderer = m_pRenderer.load();
    auto render = [renderer](const char* text) {
        if (renderer) renderer->RenderText(text);
    };
    // A transfer still running is stopped first, as for a ring: its end would
    // clear the new text's pending bits, and HS_TEXT_FONT would land between
    // its units.
    m_collaborators.StopHandsetTransfer();
    m_collaborators.SetDisplayContent(kMissedCallsContent);
    if (count > 0) {
        char text[kCommandBufferSize] = {};
        std::snprintf(text, sizeof(text), "%d Missed Calls", count);
        render(text);
        m_collaborators.SendHandsetCommand(HS_TEXT_FONT);
        Pause(kTextPause);
    } else {
        render("No Missed Calls.");
        Pause(kTextPause);
        m_collaborators.SendHandsetCommand(HS_TEXT_FONT);
    }
    m_nShownMissed = count;
    return 0;
}

void CSkypeEngine::RefreshMissedCalls() {
    if (!m_bDisplayEnabled) return;
    const int shown = m_nShownMissed.load();
    if (shown < 0 || m_collaborators.CurrentCallId() != 0 || m_collaborators.HandsetBrowsing()) {
        return;
    }
    if (m_collaborators.CountUnseenMissedCalls() == shown) return;
    ShowMissedCalls();
}

int CSkypeEngine::ShowStatusOnHandset(int status) {
    m_collaborators.SendHandsetCommand(StatusSymbol(status));
    return 0;
}

int CSkypeEngine::SignalHandsetReady() {
    if (m_shell.g_bHandsetAnnounced) return 1;
    m_collaborators.SetHandsetResync(1);
    m_collaborators.SendHandsetCommand(HS_READY);
    Pause(kReadyPause);
    m_collaborators.SendHandsetCommand(HS_READY_DONE);
    m_collaborators.AddDisplayContent(display::kAwaitAnnouncement);
    return 1;
}

void CSkypeEngine::SetOwnHandle(const char* handle) {
    std::lock_guard lock(m_repliesLock);
    std::snprintf(m_szOwnHandle, sizeof(m_szOwnHandle), "%s", handle ? handle : "");
}

std::string CSkypeEngine::OwnHandle() {
    std::lock_guard lock(m_repliesLock);
    return m_szOwnHandle;
}

void CSkypeEngine::SetAudioDeviceReply(bool input, const std::string& name) {
    std::lock_guard lock(m_repliesLock);
    (input ? m_strAudioIn : m_strAudioOut) = name;
}
