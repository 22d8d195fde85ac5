// The settings dialogs from the program's own resources, in each of the three
// languages: the right template is loaded, its controls carry the ids and
// styles the procedures rely on, and the procedures drive them. Each dialog
// runs modally on the test's thread; the test's procedure checks it from
// WM_INITDIALOG and then ends it (or lets a posted key end it).
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h: the trackbar and combo box messages.
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "app/SettingsDialogs.h"
#include "platform/win32/Win32DialogHost.h"

namespace kestrava::testing {
namespace {

std::string Utf8(const wchar_t* wide) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1) return {};
    std::string text(static_cast<std::size_t>(length - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), length, nullptr, nullptr);
    return text;
}

std::string WindowText(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return Utf8(text);
}

std::string ClassName(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return Utf8(name);
}

bool HasStyle(HWND window, LONG style) {
    return (GetWindowLongW(window, GWL_STYLE) & style) == style;
}

HWND Hwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}

struct Language {
    const char* name;
    std::uint16_t langid;
    const char* volumeTitle;
    const char* volumeOk;
    const char* advancedTitle;
    const char* autoSwitchAudio;  // 1008
    const char* autoRunSkype;     // 1009
    const char* audioTitle;
    const char* audioOk;
    const char* autoSwitchSystem;  // 1019
};

const Language kLanguages[] = {
    {"English", 0x0409, "Volume Control", "OK", "Advanced Settings", "Auto Switch Audio device",
     "Auto Run Skype when Plug in", "Audio Device Settings", "OK",
     "Automatic change to setting device."},
    {"TraditionalChinese", 0x0404, "音量控制", "OK", "進階設定", "自動切換音效裝置",
     "當重新插拔時,自動執行Skype", "音效裝置設定", "確定", "自動改成所設定的音效裝置."},
    {"SimplifiedChinese", 0x0804, "音量控制", "确定", "设级设定", "自动切换间频设备",
     "自动运行SKYPE", "音频设定", "确定", "设为非刚插入USB PHONE设备"},
};

class Faders final : public VolumeFaders {
  public:
    int speaker = 5;
    int microphone = 7;
    std::vector<std::string> calls;

    int SpeakerLevel31() override { return speaker; }
    int MicrophoneLevel31() override { return microphone; }
    void SetSpeakerFader(int kind, int value) override {
        calls.push_back("speaker " + std::to_string(kind) + " " + std::to_string(value));
    }
    void SetMicrophoneFader(int kind, int value) override {
        calls.push_back("mic " + std::to_string(kind) + " " + std::to_string(value));
    }
};

class Win32SettingsDialogsTest : public ::testing::TestWithParam<Language> {
  protected:
    Win32SettingsDialogsTest() : host(GetParam().langid), settings(host, shell) {
        settings.SetFaders(&faders);
    }

    // Runs dialog `resourceId` with `procedure` (a SettingsDialogs procedure
    // or a stand-in) and `check` called once the procedure has initialised
    // it. Returns the dialog's result.
    LParam Run(int resourceId, WindowProc procedure, std::function<void(HWND)> check) {
        return host.RunModalDialog(
            resourceId, [&](WindowHandle dialog, std::uint32_t message, WParam w, LParam l) {
                LParam result = procedure(dialog, message, w, l);
                if (message == WM_INITDIALOG) check(Hwnd(dialog));
                return result;
            });
    }

    Win32DialogHost host;
    ShellState shell;
    Faders faders;
    SettingsDialogs settings;
};

TEST_P(Win32SettingsDialogsTest, AboutShowsTheIconAndAnEmptyTextWithoutCustomerInfo) {
    const LParam result = Run(
        IDD_ABOUT,
        [&](WindowHandle d, std::uint32_t m, WParam w, LParam l) {
            // Stale text the procedure must replace.
            if (m == WM_INITDIALOG) SetDlgItemTextW(Hwnd(d), IDC_CUSTOMER_INFO, L"stale");
            return settings.AboutProcedure(d, m, w, l);
        },
        [&](HWND dialog) {
            EXPECT_EQ(WindowText(dialog), "About");
            EXPECT_EQ(WindowText(GetDlgItem(dialog, IDOK)), "OK");
            EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_CUSTOMER_INFO)), "");
            HWND icon = GetDlgItem(dialog, IDC_ABOUT_ICON);
            ASSERT_NE(icon, nullptr);
            EXPECT_NE(SendMessageW(icon, STM_GETICON, 0, 0), 0) << "icon 114 not loaded";
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
    EXPECT_EQ(result, IDOK);
}

TEST_P(Win32SettingsDialogsTest, VolumeSlidersStartAtTheFadersAndMoveTheSpeaker) {
    const Language& language = GetParam();
    const LParam result = Run(
        IDD_VOLUME,
        [&](WindowHandle d, std::uint32_t m, WParam w, LParam l) {
            return settings.VolumeProcedure(d, m, w, l);
        },
        [&](HWND dialog) {
            EXPECT_EQ(WindowText(dialog), language.volumeTitle);
            EXPECT_EQ(WindowText(GetDlgItem(dialog, IDOK)), language.volumeOk);
            EXPECT_FALSE(HasStyle(dialog, WS_SYSMENU));
            for (int id : {IDC_SPEAKER_SLIDER, IDC_MIC_SLIDER}) {
                HWND slider = GetDlgItem(dialog, id);
                ASSERT_NE(slider, nullptr) << id;
                EXPECT_EQ(ClassName(slider), "msctls_trackbar32") << id;
                EXPECT_TRUE(HasStyle(slider, TBS_VERT | TBS_LEFT)) << id;
                EXPECT_EQ(SendMessageW(slider, TBM_GETRANGEMAX, 0, 0), 31) << id;
            }
            // Full level at the top: positions are 31 - level.
            EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_SPEAKER_SLIDER, TBM_GETPOS, 0, 0), 26);
            EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_MIC_SLIDER, TBM_GETPOS, 0, 0), 24);

            HWND speaker = GetDlgItem(dialog, IDC_SPEAKER_SLIDER);
            SendMessageW(speaker, TBM_SETPOS, TRUE, 0);
            SendMessageW(dialog, WM_VSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 0),
                         reinterpret_cast<LPARAM>(speaker));
            EXPECT_EQ(settings.VolumeOpenCount(), 1);
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(faders.calls, std::vector<std::string>{"speaker 4 31"});
    EXPECT_EQ(settings.VolumeOpenCount(), 0);
}

TEST_P(Win32SettingsDialogsTest, AdvancedKeepsAnUncheckedBoxWhenClosedWithEscape) {
    const Language& language = GetParam();
    shell.SupportAutoRunSkype = 1;
    shell.SupportAutoSwitchAudioDevice = 0;
    const LParam result = Run(
        IDD_ADVANCED,
        [&](WindowHandle d, std::uint32_t m, WParam w, LParam l) {
            return settings.AdvancedProcedure(d, m, w, l);
        },
        [&](HWND dialog) {
            EXPECT_EQ(WindowText(dialog), language.advancedTitle);
            EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_AUTO_SWITCH_AUDIO)),
                      language.autoSwitchAudio);
            EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_AUTO_RUN_SKYPE)), language.autoRunSkype);
            EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_AUTO_RUN_SKYPE), BST_CHECKED);
            EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_AUTO_SWITCH_AUDIO), BST_UNCHECKED);
            HWND ring = GetDlgItem(dialog, IDC_RING_LIST);
            ASSERT_NE(ring, nullptr);
            EXPECT_FALSE(HasStyle(ring, WS_VISIBLE));
            EXPECT_TRUE(HasStyle(GetDlgItem(dialog, IDC_AUTO_RUN_SKYPE), WS_VISIBLE));

            CheckDlgButton(dialog, IDC_AUTO_RUN_SKYPE, BST_UNCHECKED);
            CheckDlgButton(dialog, IDC_AUTO_SWITCH_AUDIO, BST_CHECKED);
            // Esc through the dialog manager: it becomes IDCANCEL.
            PostMessageW(GetDlgItem(dialog, IDC_AUTO_RUN_SKYPE), WM_KEYDOWN, VK_ESCAPE, 0);
        });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(shell.SupportAutoRunSkype.load(), 0);
    EXPECT_EQ(shell.SupportAutoSwitchAudioDevice.load(), 1);
    EXPECT_EQ(settings.AdvancedOpenCount(), 0);
}

TEST_P(Win32SettingsDialogsTest, AudioDevicesHasItsCheckBoxAndDropDownLists) {
    const Language& language = GetParam();
    const LParam result = Run(
        IDD_AUDIO_DEVICES,
        [&](WindowHandle d, std::uint32_t m, WParam w, LParam) -> LParam {
            if (m == WM_COMMAND && (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL)) {
                EndDialog(Hwnd(d), LOWORD(w));
                return TRUE;
            }
            return m == WM_INITDIALOG;
        },
        [&](HWND dialog) {
            EXPECT_EQ(WindowText(dialog), language.audioTitle);
            EXPECT_EQ(WindowText(GetDlgItem(dialog, IDOK)), language.audioOk);
            EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_AUTO_SWITCH_SYSTEM_AUDIO)),
                      language.autoSwitchSystem);
            for (int id : {IDC_SPEAKER_DEVICE, IDC_MIC_DEVICE}) {
                HWND combo = GetDlgItem(dialog, id);
                ASSERT_NE(combo, nullptr) << id;
                // (The combo box hands WS_VSCROLL on to its list.)
                EXPECT_TRUE(HasStyle(combo, CBS_DROPDOWNLIST | CBS_SORT)) << id;
                // Sorted: lines land in order whatever order they come in.
                SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"b"));
                SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"a"));
                wchar_t first[8] = {};
                SendMessageW(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
                EXPECT_EQ(Utf8(first), "a") << id;
            }
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
    EXPECT_EQ(result, IDOK);
}

INSTANTIATE_TEST_SUITE_P(Languages, Win32SettingsDialogsTest, ::testing::ValuesIn(kLanguages),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kestrava::testing
