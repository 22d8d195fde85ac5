// The two functions Glyvar exports.
#include <cstdio>
#include <new>

#include "CLcdRendererImpl.h"
#include "ComponentFactory.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

void ShowOutOfMemory() {
    constexpr const char* kText = "Can not create instance.\nOut of Memrory!";
    constexpr const char* kCaption = "ParserMsg";
#if defined(_WIN32)
    MessageBoxA(nullptr, kText, kCaption, MB_OK | MB_ICONERROR);
#else
    std::fprintf(stderr, "%s: %s\n", kCaption, kText);
#endif
}

}  // namespace

KESTRAVA_COMPONENT_EXPORT int CreateComponentInstance(void** object) {
    if (object == nullptr) return 0;
    CLcdRenderer* renderer = nullptr;
    try {
        renderer = new (std::nothrow) CLcdRendererImpl();
    } catch (...) {  // nothing may cross the library boundary
        renderer = nullptr;
    }
    if (renderer == nullptr) {
        ShowOutOfMemory();
        return 0;
    }
    *object = renderer;
    return 1;
}

KESTRAVA_COMPONENT_EXPORT int DeleteComponentInstance(void** object) {
    if (object == nullptr) return 1;
    delete static_cast<CLcdRenderer*>(*object);
    return 1;
}
