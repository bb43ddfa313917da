#pragma once

#include "protocol/DeviceInfo.h"

#include <cstdint>
#include <string>
#include <vector>

namespace flitbar {

// Where to send the remaining devices after some left for another computer.
struct FollowPlan {
  // One-based host to follow to.
  std::uint8_t host = 1;
  // Remembered names of the departed devices that predict `host`, in the previous list's order.
  std::vector<std::string> leaderNames;
  // Present devices that can reach `host` with their change-host feature, in present-list order.
  std::vector<HostTarget> followers;

  bool operator==(const FollowPlan&) const = default;
};

}  // namespace flitbar
