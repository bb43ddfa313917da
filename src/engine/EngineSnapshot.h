#pragma once

#include "config/Binding.h"
#include "config/ConfigIssue.h"
#include "engine/BindingSource.h"
#include "protocol/DeviceInfo.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace flitbar {

// The engine's published picture: what every consumer of the engine reads.
struct EngineSnapshot {
  enum class Lifecycle { stopped, starting, running, stopping };
  // Why the last connection failed.
  enum class Problem { noReceiver, accessDenied, silentReceiver, other };

  Lifecycle lifecycle = Lifecycle::stopped;
  // Found at the last successful connection, in discovery order.
  std::vector<DeviceInfo> devices;
  // The bindings in force.
  std::vector<Binding> bindings;
  std::vector<ConfigIssue> configIssues;
  // Text of the last failed connection; cleared by a successful one.
  std::optional<std::string> lastError;
  std::optional<Problem> problem;
  // One-based host a switch just sent the devices to, until the next successful connection.
  std::optional<std::uint8_t> movingToHost;
  BindingSource bindingSource = BindingSource::automatic;
  // Destination of the automatic bindings.
  std::optional<std::uint8_t> destinationHost;

  static EngineSnapshot empty() { return {}; }

  // The largest host count among change-host devices, capped at 3; 0 without such a device.
  int hostCount() const;
  // The one-based host most change-host devices are on (the smaller on a tie).
  std::optional<int> thisHost() const;
  // The binding's device index alone, or every device carrying the binding's unit id.
  std::vector<std::uint8_t> targetIndexes(const Binding& binding) const;
  // The union of targetIndexes over `bindings`.
  std::set<std::uint8_t> boundIndexes() const;

  bool operator==(const EngineSnapshot&) const = default;
};

// "stopped", "starting", "running", "stopping".
std::string_view lifecycleName(EngineSnapshot::Lifecycle lifecycle);

}  // namespace flitbar
