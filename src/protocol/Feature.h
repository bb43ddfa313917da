#pragma once

#include <cstdint>

namespace flitbar {

// The HID++ 2.0 features this program asks devices for, by feature id.
enum class Feature : std::uint16_t {
  root = 0x0000,
  deviceInformation = 0x0003,
  deviceName = 0x0005,
  batteryStatus = 0x1000,
  unifiedBattery = 0x1004,
  changeHost = 0x1814,
  hostsInfo = 0x1815,
  reprogControls = 0x1B04,
  hiResWheel = 0x2121,
  smartShift = 0x2111,
};

constexpr std::uint16_t featureId(Feature feature) { return static_cast<std::uint16_t>(feature); }

}  // namespace flitbar
