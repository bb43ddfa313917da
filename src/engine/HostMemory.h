#pragma once

#include <cstdint>
#include <string>

namespace flitbar {

// Where a device was last seen: used to predict where it went when it departs.
struct HostMemory {
  // Zero-based current host.
  std::uint8_t host = 0;
  std::uint8_t count = 0;
  std::string name;

  bool operator==(const HostMemory&) const = default;
};

}  // namespace flitbar
