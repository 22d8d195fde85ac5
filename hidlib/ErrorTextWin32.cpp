#include <windows.h>

#include "ErrorText.h"

namespace ondrel {

void ShowCreateFailure() {
    MessageBoxA(nullptr, "Can not create instance.\nOut of Memrory!", "ParserMsg", MB_ICONERROR);
}

bool ShowLastSystemError() {
    DWORD code = GetLastError();
    char* text = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0,
        nullptr);
    if (length == 0 || text == nullptr) return false;
    MessageBoxA(nullptr, text, "Error", MB_OK | MB_ICONINFORMATION);
    LocalFree(text);
    return true;
}

}  // namespace ondrel
