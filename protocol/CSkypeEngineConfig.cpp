// The engine's settings: Pellanor.ini beside the program (flags, codec
// defaults, names, icon files, the ring list) and the texts the engine hands
// out into its callers' buffers.
#include <algorithm>
#include <cstdio>

#include "ResultCodes.h"
#include "platform/Paths.h"
#include "protocol/CSkypeEngine.h"
#include "protocol/IniFile.h"
#include "protocol/LineWords.h"

using namespace kestrava;

namespace {

constexpr const char* kDefaultApiWindowName = "SkypeForWindow";

// Copies `text` into a caller's buffer of `size` bytes, always terminated; a
// cut never splits a UTF-8 character.
void CopyOut(char* out, std::size_t size, const std::string& text) {
    if (out == nullptr || size == 0) return;
    std::snprintf(out, size, "%s", CutUtf8(text, size - 1).c_str());
}

}  // namespace

int CSkypeEngine::LoadConfiguration(const char* directory, int* fontSupported, int* supportSky,
                                    int* supportHideWindows, int* supportAgc,
                                    int* supportAutoRunSkype, int* supportAutoSwitchAudioDevice,
                                    int* supportAutoSwitchSystemAudioDevice,
                                    int* supportFocusAddressBook, int* supportArf,
                                    int* supportLimitCalls) {
    std::string folder = directory ? directory : "";
    m_szConfigPath = FileInFolder(folder, "Pellanor.ini");
    IniFile ini;
    ini.Load(m_szConfigPath);

    auto flag = [&ini](const char* section, const char* key, int fallback) {
        return ini.GetInt(section, key, fallback) == 1 ? 1 : 0;
    };
    auto store = [](int* out, int value) {
        if (out) *out = value;
    };
    m_bFontsSupported = ini.GetInt("FONT", "NotSupportedFont", 0) == 0 ? 1 : 0;
    store(fontSupported, m_bFontsSupported);
    store(supportSky, flag("SYSTEM", "SupportSky", 1));
    store(supportHideWindows, flag("SYSTEM", "SupportHideWindows", 1));
    store(supportAgc, flag("SYSTEM", "SupportAGC", 0));
    store(supportAutoRunSkype, flag("SYSTEM", "SupportAutoRunSkype", 0));
    store(supportAutoSwitchAudioDevice, flag("SYSTEM", "SupportAutoSwitchAudioDevice", 0));
    store(supportAutoSwitchSystemAudioDevice,
          flag("SYSTEM", "SupportAutoSwitchSystemAudioDevice", 0));
    store(supportFocusAddressBook, flag("SYSTEM", "SupportFocusAddressBook", 0));
    store(supportArf, flag("SYSTEM", "SupportARF", 0));
    store(supportLimitCalls, flag("SYSTEM", "SupportLimitCalls", 0));
    m_nReg04Value = ini.GetInt("DEFAULT", "Reg04Value", 16);
    m_nReg1CValue = ini.GetInt("DEFAULT", "Reg1CValue", 8);
    m_strAppName = ini.GetText("NAME", "Name");
    m_strApiWindowName = ini.GetText("NAME", "APINAME");
    m_strCustomerInfo = ini.GetText("NAME", "CustomerINFO");
    m_strIconNoHW = IconPath(ini.GetText("ICON", "FileNoHW"));
    m_strIconNoAny = IconPath(ini.GetText("ICON", "FileNoANY"));
    m_strIconNoSkype = IconPath(ini.GetText("ICON", "FileNoSkype"));
    m_strIconActive = IconPath(ini.GetText("ICON", "FileActive"));
    return 0;
}

std::string CSkypeEngine::IconPath(const std::string& file) const {
    return FileInFolder(m_shell.moduleDirectory, file);
}

int CSkypeEngine::GetCodecRegisterDefaults(int* reg04, int* reg1C) {
    if (reg04) *reg04 = m_nReg04Value;
    if (reg1C) *reg1C = m_nReg1CValue;
    return 0;
}

int CSkypeEngine::FillRingList(DialogHost& dialogs, DialogHost::DialogHandle dialog,
                               int controlId) {
    IniFile ini;
    ini.Load(m_szConfigPath);
    int count = std::min(ini.GetInt("RINGS", "NUMOFRINGS", 0), kMaxRings);
    for (int i = 0; i < count; ++i) {
        std::string key = "RING_" + std::to_string(i + 1);
        dialogs.InsertComboString(dialog, controlId, i, ini.GetText("RINGS", key));
    }
    dialogs.SelectComboIndex(dialog, controlId, 0);
    return 0;
}

int CSkypeEngine::GetApiWindowName(char* out) {
    CopyOut(out, kTextBufferSize,
            m_strApiWindowName.empty() ? kDefaultApiWindowName : m_strApiWindowName);
    return 0;
}

int CSkypeEngine::GetIconFileNoHW(char* out) {
    CopyOut(out, kTextBufferSize, m_strIconNoHW);
    return 0;
}

int CSkypeEngine::GetIconFileNoSkype(char* out) {
    CopyOut(out, kTextBufferSize, m_strIconNoSkype);
    return 0;
}

int CSkypeEngine::GetIconFileActive(char* out) {
    CopyOut(out, kTextBufferSize, m_strIconActive);
    return 0;
}

int CSkypeEngine::GetCustomerInfo(char* out) {
    if (m_strCustomerInfo.empty()) return E_FAIL;
    std::string text = m_strCustomerInfo;
    for (auto at = text.find("\\n"); at != std::string::npos; at = text.find("\\n", at + 2)) {
        text.replace(at, 2, "\r\n");
    }
    CopyOut(out, kTextBufferSize, text);
    return 0;
}

int CSkypeEngine::GetAudioDeviceReplies(char* audioIn, char* audioOut) {
    std::lock_guard lock(m_repliesLock);
    CopyOut(audioIn, kTextBufferSize, m_strAudioIn);
    CopyOut(audioOut, kTextBufferSize, m_strAudioOut);
    return 0;
}
