#pragma once

#include "protocol/DeviceBattery.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace flitbar {

// One paired device as discovery found it.
struct DeviceInfo {
  // HID++ device index, the pairing slot 1..6.
  std::uint8_t index = 0;
  // "(unknown)" when the device has no name feature or did not answer.
  std::string name;
  // Feature index of change-host (0x1814); absent when the device has none.
  std::optional<std::uint8_t> changeHostFeature;
  // 1..3 with change-host, else 0.
  std::uint8_t hostCount = 0;
  // Zero-based, below `hostCount`; 0 without change-host.
  std::uint8_t currentHost = 0;
  std::optional<std::uint8_t> reprogFeature;
  // "AA:BB:CC:DD".
  std::optional<std::string> unitID;
  // One entry per host slot, empty where no name is known.
  std::optional<std::vector<std::string>> hostNames;
  std::optional<DeviceBattery> battery;

  bool operator==(const DeviceInfo&) const = default;
};

// The change-host facts of one device: its feature index, host count and zero-based current host.
struct HostInfo {
  std::uint8_t feature = 0;
  std::uint8_t count = 0;
  std::uint8_t current = 0;

  bool operator==(const HostInfo&) const = default;
};

// One device to move: its index and its change-host feature index.
struct HostTarget {
  std::uint8_t device = 0;
  std::uint8_t feature = 0;

  bool operator==(const HostTarget&) const = default;
};

}  // namespace flitbar
