// The two functions Glyvar exports.
#include <new>

#include "CLcdRendererImpl.h"
#include "ComponentFactory.h"

KESTRAVA_COMPONENT_EXPORT int CreateComponentInstance(void** object) {
    if (object == nullptr) return 0;
    CLcdRenderer* renderer = new (std::nothrow) CLcdRendererImpl();
    if (renderer == nullptr) return 0;
    *object = renderer;
    return 1;
}

KESTRAVA_COMPONENT_EXPORT int DeleteComponentInstance(void** object) {
    if (object == nullptr) return 1;
    delete static_cast<CLcdRenderer*>(*object);
    return 1;
}
