// The HID bus on Windows. By default it lists what SetupAPI finds; configured
// extra devices (ExtraDevices.h) are listed first and opened by their path,
// a named pipe in message read mode for instance, with the identity given in
// the configuration instead of hid.dll's queries.
#pragma once

#include <memory>
#include <vector>

#include "ExtraDevices.h"
#include "HidBus.h"

namespace ondrel {

// `systemDevices` false leaves SetupAPI out: only the extra devices are listed.
std::shared_ptr<HidBus> MakeWin32HidBus(std::vector<ExtraHidDevice> extraDevices,
                                        bool systemDevices = true);

}  // namespace ondrel
