#pragma once

#include <cstdint>
#include <string>

namespace flitbar {

// What one routed command produced.
struct CLIResult {
  std::int32_t status = 0;
  std::string standardOutput;
  std::string standardError;

  bool operator==(const CLIResult&) const = default;
};

}  // namespace flitbar
