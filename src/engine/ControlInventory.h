#pragma once

#include "protocol/ControlInfo.h"
#include "protocol/DeviceInfo.h"
#include "protocol/ReceiverSession.h"

#include <string>
#include <vector>

namespace flitbar::ControlInventory {

// The key under which a device's control list is remembered: "unit:" + unit id, or, without one,
// "slot:" + index + ":" + name.
std::string cacheKey(const DeviceInfo& device);

// Reads the reprogrammable controls of `device` (which must have the feature). A count that cannot
// be read gives an empty list; a control that cannot be read is left out, and so are the controls
// not reached within a few seconds (a device that stopped answering). Blocks in the
// transport: run it on the HID worker. Never throws.
std::vector<ControlInfo> read(ReceiverSession& receiver, const DeviceInfo& device);

}  // namespace flitbar::ControlInventory
