#include "engine/FollowPlanner.h"

#include <algorithm>
#include <set>

namespace flitbar::FollowPlanner {

namespace {

// The one-based host after the remembered zero-based one.
std::uint8_t nextHost(const HostMemory& memory) {
  return memory.host + 1 == memory.count ? 1 : static_cast<std::uint8_t>(memory.host + 2);
}

}  // namespace

std::optional<FollowPlan> plan(const std::vector<DeviceInfo>& previous, const std::vector<DeviceInfo>& present,
                               const std::map<std::uint8_t, HostMemory>& memory) {
  std::set<std::uint8_t> presentIndexes;
  for (const DeviceInfo& device : present) presentIndexes.insert(device.index);

  FollowPlan result;
  std::optional<std::uint8_t> destination;
  for (const DeviceInfo& device : previous) {
    if (presentIndexes.contains(device.index)) continue;
    const auto remembered = memory.find(device.index);
    // Without a valid memory of its host there is nothing to predict from.
    if (remembered == memory.end() || remembered->second.count <= remembered->second.host) continue;
    const std::uint8_t predicted = nextHost(remembered->second);
    if (destination && *destination != predicted) return std::nullopt;
    destination = predicted;
    result.leaderNames.push_back(remembered->second.name);
  }
  if (!destination) return std::nullopt;

  result.host = *destination;
  for (const DeviceInfo& device : present) {
    if (device.changeHostFeature && device.hostCount >= result.host) {
      result.followers.push_back(HostTarget{device.index, *device.changeHostFeature});
    }
  }
  if (result.followers.empty()) return std::nullopt;
  return result;
}

}  // namespace flitbar::FollowPlanner
