#pragma once

#include "engine/SwitchReason.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace flitbar {

// What a switch or follow did.
struct SwitchReport {
  // One-based destination host, 1..3.
  std::uint8_t host = 1;
  // The devices told to move, in device-list order.
  std::vector<std::string> deviceNames;
  SwitchReason reason;
  // The destination's name as the devices know it; the application may put the user's own
  // name for the host here before showing the report.
  std::optional<std::string> destinationName;

  // The switch notification's body, e.g. "Moving everything to “Desk”.".
  std::string notificationBody() const;

  bool operator==(const SwitchReport&) const = default;
};

// “name” when a non-empty name is given, otherwise "host N".
std::string destinationText(std::uint8_t host, const std::optional<std::string>& name);

}  // namespace flitbar
