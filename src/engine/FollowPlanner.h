#pragma once

#include "engine/FollowPlan.h"
#include "engine/HostMemory.h"
#include "protocol/DeviceInfo.h"

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace flitbar::FollowPlanner {

// Predicts where the devices of `previous` missing from `present` went (the host after the one
// `memory` last saw them on, wrapping around) and which present devices can follow. Absent when
// no departed device has a usable memory, when they predict different hosts, or when no present
// device can reach the host.
std::optional<FollowPlan> plan(const std::vector<DeviceInfo>& previous, const std::vector<DeviceInfo>& present,
                               const std::map<std::uint8_t, HostMemory>& memory);

}  // namespace flitbar::FollowPlanner
