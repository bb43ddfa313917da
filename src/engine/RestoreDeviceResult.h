#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace flitbar {

// What releasing every diverted control did on one device.
struct RestoreDeviceResult {
  std::uint8_t index = 0;
  std::string name;
  // Controls found diverted and verified released.
  int released = 0;
  // Controls found not diverted.
  int alreadyReleased = 0;
  std::vector<std::string> failures;
  // The device has no reprogrammable controls.
  bool unsupported = false;
  // The run ended before or during this device.
  bool interrupted = false;

  bool operator==(const RestoreDeviceResult&) const = default;
};

}  // namespace flitbar
