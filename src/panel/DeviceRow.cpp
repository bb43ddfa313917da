#include "panel/DeviceRow.h"

#include "panel/TextMatching.h"

namespace flitbar::DeviceRow {

bool isKeyboard(const std::string& name) { return containsAnyIgnoringCase(name, {"keyboard", "keys"}); }

PanelSymbol symbol(const std::string& name) {
  if (isKeyboard(name)) return {"input-keyboard", {}};
  return {"input-mouse", {}};
}

std::string batteryPrefix(const std::optional<DeviceBattery>& battery, bool differentiateWithoutColor) {
  if (!differentiateWithoutColor || !battery || !isBatteryLow(*battery)) return "";
  return "! ";
}

bool isBatteryLow(const DeviceBattery& battery) { return !battery.charging && battery.percent < 20; }

}  // namespace flitbar::DeviceRow
