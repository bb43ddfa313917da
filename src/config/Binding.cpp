#include "config/Binding.h"

namespace flitbar {

std::string Binding::displayName(const std::map<std::uint16_t, std::string>& controlNames) const {
  if (name) return *name;
  const auto prefix = "device " + std::to_string(device) + ", ";
  if (const auto known = controlNames.find(cid); known != controlNames.end()) return prefix + known->second;
  return prefix + "control " + std::to_string(cid);
}

}  // namespace flitbar
