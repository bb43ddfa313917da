#include "engine/EngineSnapshot.h"

#include <algorithm>
#include <array>

namespace flitbar {

int EngineSnapshot::hostCount() const {
  int count = 0;
  for (const auto& device : devices) {
    if (device.changeHostFeature) count = std::max(count, static_cast<int>(device.hostCount));
  }
  return std::min(count, 3);
}

std::optional<int> EngineSnapshot::thisHost() const {
  std::array<int, 256> votes{};
  bool any = false;
  for (const auto& device : devices) {
    if (!device.changeHostFeature) continue;
    ++votes[device.currentHost];
    any = true;
  }
  if (!any) return std::nullopt;
  // max_element keeps the first of equal counts, which is the smaller host.
  const auto winner = std::max_element(votes.begin(), votes.end());
  return static_cast<int>(winner - votes.begin()) + 1;
}

std::vector<std::uint8_t> EngineSnapshot::targetIndexes(const Binding& binding) const {
  if (!binding.unitId || binding.unitId->empty()) return {binding.device};
  std::vector<std::uint8_t> indexes;
  for (const auto& device : devices) {
    if (device.unitID == binding.unitId) indexes.push_back(device.index);
  }
  return indexes;
}

std::set<std::uint8_t> EngineSnapshot::boundIndexes() const {
  std::set<std::uint8_t> indexes;
  for (const auto& binding : bindings) {
    const auto targets = targetIndexes(binding);
    indexes.insert(targets.begin(), targets.end());
  }
  return indexes;
}

std::string_view lifecycleName(EngineSnapshot::Lifecycle lifecycle) {
  switch (lifecycle) {
    case EngineSnapshot::Lifecycle::stopped:
      return "stopped";
    case EngineSnapshot::Lifecycle::starting:
      return "starting";
    case EngineSnapshot::Lifecycle::running:
      return "running";
    case EngineSnapshot::Lifecycle::stopping:
      return "stopping";
  }
  return "stopped";
}

}  // namespace flitbar
