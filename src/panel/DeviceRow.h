#pragma once

#include "panel/PanelSymbol.h"
#include "protocol/DeviceBattery.h"

#include <optional>
#include <string>

namespace flitbar::DeviceRow {

// Names holding "keyboard" or "keys" in any letter case; every other device is a pointing device.
bool isKeyboard(const std::string& name);
PanelSymbol symbol(const std::string& name);

// "! " before a low, discharging battery, so the warning does not rest on colour alone.
std::string batteryPrefix(const std::optional<DeviceBattery>& battery, bool differentiateWithoutColor);
// Below 20% and not charging.
bool isBatteryLow(const DeviceBattery& battery);

}  // namespace flitbar::DeviceRow
