#pragma once

#include "config/Binding.h"
#include "engine/EngineSnapshot.h"
#include "protocol/DeviceInfo.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace flitbar::testing {

// A device named "Device <index>" with reprogrammable controls and, unless `hostCount` is 0,
// change-host over that many hosts; `currentHost` is zero-based as on the wire.
inline DeviceInfo device(std::uint8_t index, std::uint8_t hostCount = 3, std::uint8_t currentHost = 0,
                         std::optional<std::string> unit = std::nullopt) {
  DeviceInfo info;
  info.index = index;
  info.name = "Device " + std::to_string(index);
  if (hostCount > 0) info.changeHostFeature = 0x09;
  info.hostCount = hostCount;
  info.currentHost = currentHost;
  info.reprogFeature = 0x0B;
  info.unitID = std::move(unit);
  return info;
}

inline DeviceInfo named(DeviceInfo info, std::string name) {
  info.name = std::move(name);
  return info;
}

inline Binding hostBinding(std::uint8_t device, std::uint16_t cid, std::uint8_t host,
                           std::optional<std::string> unit = std::nullopt) {
  return Binding{device, cid, std::move(unit), "to " + std::to_string(host), host, std::nullopt};
}

inline Binding commandBinding(std::uint8_t device, std::uint16_t cid, std::string command) {
  return Binding{device, cid, std::nullopt, std::nullopt, std::nullopt, std::move(command)};
}

// A running engine's picture of these devices and bindings.
inline EngineSnapshot runningWith(std::vector<DeviceInfo> devices, std::vector<Binding> bindings = {}) {
  EngineSnapshot snapshot;
  snapshot.lifecycle = EngineSnapshot::Lifecycle::running;
  snapshot.devices = std::move(devices);
  snapshot.bindings = std::move(bindings);
  return snapshot;
}

}  // namespace flitbar::testing
