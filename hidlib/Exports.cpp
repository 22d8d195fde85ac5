// The two functions Ondrel exports.
#include <new>

#include "CHidDeviceImpl.h"
#include "ComponentFactory.h"

KESTRAVA_COMPONENT_EXPORT int CreateComponentInstance(void** object) {
    if (object == nullptr) return 0;
    CHidDevice* device = new (std::nothrow) CHidDeviceImpl();
    if (device == nullptr) return 0;
    *object = device;
    return 1;
}

KESTRAVA_COMPONENT_EXPORT int DeleteComponentInstance(void** object) {
    if (object == nullptr) return 1;
    // Frees the storage without the teardown: callers Release first.
    auto* device = static_cast<CHidDevice*>(*object);
    delete device;
    return 1;
}
