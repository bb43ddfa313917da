#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace flitbar {

// A device whose hi-res wheel reports to a driver instead of scrolling natively.
struct WheelDiversion {
  std::uint8_t deviceIndex = 0;
  std::string deviceName;
  // The three mode bytes the wheel reported; the first is 1 when diverted, 0 when native.
  std::vector<std::uint8_t> modeBytes;

  bool operator==(const WheelDiversion&) const = default;
};

}  // namespace flitbar
