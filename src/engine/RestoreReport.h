#pragma once

#include "engine/RestoreDeviceResult.h"

#include <string>
#include <vector>

namespace flitbar {

// The outcome of releasing every diverted control, one result per device in device order.
struct RestoreReport {
  std::vector<RestoreDeviceResult> devices;

  // No device failed or was interrupted (an empty report and unsupported devices succeed).
  bool succeeded() const;
  // One line per device, joined with line feeds, e.g.
  // "device 2 (MX Master 3): released 2, already released 8".
  std::string summary() const;

  bool operator==(const RestoreReport&) const = default;
};

}  // namespace flitbar
