#pragma once

#include "protocol/DeviceInfo.h"

#include <string>
#include <vector>

namespace flitbar::DeviceReport {

// The devices as `list --json` prints them: an array of objects with sorted keys, absent values
// left out, the current host zero-based; pretty-printed, with a final newline.
std::string json(const std::vector<DeviceInfo>& devices);

}  // namespace flitbar::DeviceReport
