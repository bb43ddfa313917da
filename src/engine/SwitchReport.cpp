#include "engine/SwitchReport.h"

namespace flitbar {

std::string destinationText(std::uint8_t host, const std::optional<std::string>& name) {
  if (name && !name->empty()) return "\u201C" + *name + "\u201D";
  return "host " + std::to_string(host);
}

std::string SwitchReport::notificationBody() const {
  const auto destination = destinationText(host, destinationName);
  switch (reason.kind) {
    case SwitchReason::Kind::followLeader:
      return "Following " + reason.detail + " to " + destination + ".";
    case SwitchReason::Kind::screenLocked:
      return "This computer locked. Moving everything to " + destination + ".";
    default:
      return "Moving everything to " + destination + ".";
  }
}

}  // namespace flitbar
