#include "protocol/HostNaming.h"

namespace flitbar::HostNaming {

namespace {

const std::string* nameAt(const std::vector<std::string>& names, int host1Based) {
  if (host1Based < 1 || static_cast<std::size_t>(host1Based) > names.size()) return nullptr;
  const auto& name = names[static_cast<std::size_t>(host1Based - 1)];
  return name.empty() ? nullptr : &name;
}

}  // namespace

std::optional<std::string> name(const std::vector<DeviceInfo>& devices, int host1Based) {
  for (const auto& device : devices) {
    if (!device.changeHostFeature || !device.hostNames) continue;
    if (const auto* found = nameAt(*device.hostNames, host1Based)) return *found;
  }
  return std::nullopt;
}

std::optional<std::string> quotedDestination(const std::optional<std::vector<std::string>>& names, int host1Based) {
  if (!names) return std::nullopt;
  const auto* found = nameAt(*names, host1Based);
  if (!found) return std::nullopt;
  return "\u201C" + *found + "\u201D";
}

}  // namespace flitbar::HostNaming
