// The two functions Ondrel exports.
#include <new>

#include "CHidDeviceImpl.h"
#include "ComponentFactory.h"
#include "ErrorText.h"

KESTRAVA_COMPONENT_EXPORT int CreateComponentInstance(void** object) {
    if (object == nullptr) return 0;
    CHidDevice* device = nullptr;
    try {
        device = new CHidDeviceImpl();
    } catch (...) {  // nothing may cross the library boundary
        device = nullptr;
    }
    if (device == nullptr) {
        ondrel::ShowCreateFailure();
        return 0;
    }
    *object = device;
    return 1;
}

KESTRAVA_COMPONENT_EXPORT int DeleteComponentInstance(void** object) {
    if (object == nullptr) return 1;
    // The destructor releases the device (stops the read thread, closes the
    // handles) should a caller not have done so; the pointer is not cleared.
    delete static_cast<CHidDevice*>(*object);
    return 1;
}
