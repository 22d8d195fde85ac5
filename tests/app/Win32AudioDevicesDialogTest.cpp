// The Audio Device Settings dialog from the program's own resource, run by
// its own procedure (the routing logic behind AudioDevicesWindow) on the
// test's thread: device names in any script reach the boxes and come back
// as the same names, so the device chosen is the one saved.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "FakeWaveDevices.h"
#include "app/AudioRouting.h"
#include "app/DialogSeams.h"
#include "app/SettingsDialogs.h"
#include "platform/MemoryRegistry.h"
#include "platform/win32/Win32DialogHost.h"
#include "platform/win32/Win32WindowSystem.h"

namespace kestrava::testing {
namespace {

using namespace std::chrono_literals;

std::string Utf8(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length,
                        nullptr, nullptr);
    return text;
}

// The lines of a combo box as the system keeps them (UTF-16), in UTF-8.
std::vector<std::string> ComboLines(HWND dialog, int id) {
    std::vector<std::string> lines;
    const LRESULT count = SendDlgItemMessageW(dialog, id, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendDlgItemMessageW(dialog, id, CB_GETLBTEXTLEN, i, 0);
        std::wstring line(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
        SendDlgItemMessageW(dialog, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(line.data()));
        line.resize(static_cast<std::size_t>(length > 0 ? length : 0));
        lines.push_back(Utf8(line));
    }
    return lines;
}

int Selected(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0));
}

class Strings final : public ResourceStrings {
  public:
    std::string Load(int id) override {
        return id == AudioDevicesWindow::kNoSpeakerString ? "无扬声器" : "沒有麥克風";
    }
};

const std::string kRealtek = "Speakers (Realtek High Definition Audio)";
const std::string kUsbSpeaker = "扬声器 (USB Audio Device)";
const std::string kMicrofono = "Micrófono (Realtek High Definition Audio)";
const std::string kUsbMic = "麦克风 (USB Audio Device)";

class Win32AudioDevicesDialogTest : public ::testing::Test {
  protected:
    void Store(const std::string& name, const std::string& value) {
        Registry::Key key = registry.CreateUserKey(kSoundMapperKey);
        registry.WriteString(key, name, value);
        registry.CloseKey(key);
    }
    std::string Stored(const std::string& name) {
        auto values = registry.ValuesOf(kSoundMapperKey);
        auto found = values.find(name);
        return found == values.end() ? "(none)" : std::get<std::string>(found->second);
    }

    // Opens the dialog as the tray menu does, with its own procedure;
    // `check` runs once that has initialised it.
    void Run(std::function<void(HWND)> check) {
        settings.SetAudioDevicesProcedure(
            [this, check](WindowHandle d, std::uint32_t m, WParam w, LParam l) {
                LParam result = window.Procedure(d, m, w, l);
                if (m == WM_INITDIALOG) check(reinterpret_cast<HWND>(d));
                return result;
            });
        settings.ShowAudioDeviceSettings();
        EXPECT_EQ(settings.AudioDevicesOpenCount(), 0);
    }

    FakeWaveDevices audio;
    MemoryRegistry registry;
    Strings strings;
    Win32WindowSystem windows;
    Win32DialogHost host;
    ShellState shell;
    SettingsDialogs settings{host, shell};
    AudioDeviceSettings logic{registry, audio, shell.SupportAutoSwitchSystemAudioDevice, 5ms};
    AudioDevicesWindow window{host, windows, strings, logic};
};

TEST_F(Win32AudioDevicesDialogTest, TheChosenDevicesAreSavedWhateverTheirNames) {
    audio.SetOutputs({kRealtek, kUsbSpeaker});
    audio.SetInputs({kUsbMic, kMicrofono});
    Store("Playback", kRealtek);
    Store("Record", kUsbMic);
    Run([&](HWND dialog) {
        EXPECT_EQ(ComboLines(dialog, IDC_SPEAKER_DEVICE),
                  (std::vector<std::string>{kRealtek, kUsbSpeaker}));
        EXPECT_EQ(ComboLines(dialog, IDC_MIC_DEVICE),
                  (std::vector<std::string>{kUsbMic, kMicrofono}));
        EXPECT_EQ(Selected(dialog, IDC_SPEAKER_DEVICE), 0);
        EXPECT_EQ(Selected(dialog, IDC_MIC_DEVICE), 0);
        // The user picks the other line of each box and presses OK.
        SendDlgItemMessageW(dialog, IDC_SPEAKER_DEVICE, CB_SETCURSEL, 1, 0);
        SendDlgItemMessageW(dialog, IDC_MIC_DEVICE, CB_SETCURSEL, 1, 0);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(Stored("Playback"), kUsbSpeaker);
    EXPECT_EQ(Stored("Record"), kMicrofono);
    EXPECT_FALSE(logic.WatcherRunning());
}

TEST_F(Win32AudioDevicesDialogTest, WithoutDevicesTheBoxesShowTheUsersWords) {
    Run([&](HWND dialog) {
        EXPECT_EQ(ComboLines(dialog, IDC_SPEAKER_DEVICE), std::vector<std::string>{"无扬声器"});
        EXPECT_EQ(ComboLines(dialog, IDC_MIC_DEVICE), std::vector<std::string>{"沒有麥克風"});
        EXPECT_EQ(Selected(dialog, IDC_SPEAKER_DEVICE), 0);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    // A "no device" line never becomes a preferred device.
    EXPECT_EQ(Stored("Playback"), "(none)");
    EXPECT_EQ(Stored("Record"), "(none)");
}

// Exit from the tray while the dialog is open: the modal loop meets the quit
// request, the dialog is destroyed without OK or Esc, and the watcher must
// end with it, before the window object that it reaches is gone.
TEST_F(Win32AudioDevicesDialogTest, AQuitWhileOpenEndsTheWatcherWithTheDialog) {
    audio.SetBoth({kRealtek, kUsbSpeaker});
    Store("Playback", kRealtek);
    Store("Record", kRealtek);
    bool watchedWhileOpen = false;
    Run([&](HWND) {
        watchedWhileOpen = logic.WatcherRunning();
        PostQuitMessage(3);
    });
    EXPECT_TRUE(watchedWhileOpen);
    EXPECT_FALSE(logic.WatcherRunning());
    EXPECT_FALSE(logic.IsOpen());
    // The quit request is left for the program's own loop.
    MSG quit{};
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 3u);
}

}  // namespace
}  // namespace kestrava::testing
