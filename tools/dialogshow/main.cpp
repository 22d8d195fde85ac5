// Shows one of the program's dialogs in a given language and keeps it open
// until OK or Esc, for photographing: dialogshow <resource id> <langid>,
// e.g. dialogshow 116 0x0404. "dialogshow menu <langid>" pops up the tray
// menu the way a right click on the tray icon does, at (x, y) when given.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/SettingsDialogIds.h"
#include "platform/win32/Win32DialogHost.h"
#include "platform/win32/Win32Tray.h"

namespace {

constexpr int kTrayMenu = 112;

int ShowTrayMenu(std::uint16_t language, int x, int y) {
    kestrava::Win32NotifyArea area(language);
    const kestrava::WindowHandle window = area.CreateMessageWindow([] {});
    if (window == 0) return 1;
    SetCursorPos(x, y);
    area.BringToForeground(window);
    // The first entry is the default, as the tray icon shows it.
    area.PopUpMenu(kTrayMenu, 0, window, area.CursorPosition());
    area.DestroyMessageWindow();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const auto language = static_cast<std::uint16_t>(std::strtoul(argv[2], nullptr, 0));
    if (std::string(argv[1]) == "menu") {
        return ShowTrayMenu(language, argc > 3 ? std::atoi(argv[3]) : 300,
                            argc > 4 ? std::atoi(argv[4]) : 200);
    }
    const int resourceId = std::atoi(argv[1]);
    kestrava::Win32DialogHost host(language);
    const kestrava::LParam result = host.RunModalDialog(
        resourceId,
        [&](kestrava::WindowHandle dialog, std::uint32_t message, kestrava::WParam wParam,
            kestrava::LParam) -> kestrava::LParam {
            if (message == kestrava::msg::kInitDialog) {
                if (resourceId == IDD_ABOUT) {
                    host.SetControlText(dialog, IDC_CUSTOMER_INFO, "USB handset companion");
                }
                return 1;
            }
            const auto command = static_cast<int>(wParam & 0xffff);
            if (message == kestrava::msg::kCommand && (command == 1 || command == 2)) {
                host.EndDialog(dialog, command);
                return 1;
            }
            return 0;
        });
    return result < 0 ? 1 : 0;
}
