#pragma once

#include <cstdint>
#include <string>

namespace flitbar {

// What one receiver command produced.
struct CommandResult {
  std::int32_t status = 0;
  std::string standardOutput;
  std::string standardError;

  bool operator==(const CommandResult&) const = default;
};

}  // namespace flitbar
