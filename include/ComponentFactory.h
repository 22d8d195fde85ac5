// The factory convention shared by both component libraries.
//
// Each library exports exactly these two functions by name and nothing else.
// CreateComponentInstance builds a new, independent component, stores its
// interface pointer through `object` and returns 1; it returns 0 (after its own
// message box) when the object cannot be built. DeleteComponentInstance frees
// the object behind `*object` and returns 1; a null address returns 1 at once.
// It runs no teardown and does not clear the pointer: callers stop and close the
// component first.
#pragma once

#if defined(_WIN32)
#define KESTRAVA_COMPONENT_EXPORT extern "C" __declspec(dllexport)
#else
#define KESTRAVA_COMPONENT_EXPORT extern "C" __attribute__((visibility("default")))
#endif

using CreateComponentInstanceFn = int (*)(void** object);
using DeleteComponentInstanceFn = int (*)(void** object);

inline constexpr const char* kCreateComponentInstanceName = "CreateComponentInstance";
inline constexpr const char* kDeleteComponentInstanceName = "DeleteComponentInstance";
