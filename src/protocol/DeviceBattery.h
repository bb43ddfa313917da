#pragma once

namespace flitbar {

// One battery reading. `percent` is never 0: devices report 0 when they have no reading.
struct DeviceBattery {
  int percent = 0;
  bool charging = false;

  bool operator==(const DeviceBattery&) const = default;
};

}  // namespace flitbar
