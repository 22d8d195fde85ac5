// Shows one of the program's dialogs in a given language and keeps it open
// until OK or Esc, for photographing: dialogshow <resource id> <langid>,
// e.g. dialogshow 116 0x0404.
#include <cstdlib>

#include "app/SettingsDialogIds.h"
#include "platform/win32/Win32DialogHost.h"

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const int resourceId = std::atoi(argv[1]);
    const auto language = static_cast<std::uint16_t>(std::strtoul(argv[2], nullptr, 0));
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
