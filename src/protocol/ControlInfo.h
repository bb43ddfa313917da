#pragma once

#include <cstdint>

namespace flitbar {

// One reprogrammable control of a device (feature 0x1B04).
struct ControlInfo {
  std::uint16_t cid = 0;
  std::uint16_t task = 0;
  // Capability flags; bit 0x20 marks a control that can be diverted.
  std::uint8_t flags = 0;

  bool operator==(const ControlInfo&) const = default;
};

// How a control currently reports (function 2 of 0x1B04).
struct ControlReporting {
  // Bit 0: diverted; bit 2: persistently diverted.
  std::uint8_t flags = 0;
  // The control this one is remapped to; 0 when not remapped.
  std::uint16_t remap = 0;

  bool operator==(const ControlReporting&) const = default;
};

}  // namespace flitbar
