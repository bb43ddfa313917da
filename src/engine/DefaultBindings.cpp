#include "engine/DefaultBindings.h"

#include "protocol/ControlNames.h"

#include <algorithm>

namespace flitbar::DefaultBindings {

namespace {

constexpr std::uint8_t divertableFlag = 0x20;
constexpr std::uint16_t topButton = 0x00C4;
constexpr std::uint16_t gestureButton = 0x00C3;
// Left, right and middle click: taking one over would cripple the mouse.
const std::set<std::uint16_t> clicks{0x0050, 0x0051, 0x0052};

std::set<std::uint16_t> divertable(const std::vector<ControlInfo>& controls) {
  std::set<std::uint16_t> ids;
  for (const ControlInfo& control : controls) {
    if (control.flags & divertableFlag) ids.insert(control.cid);
  }
  return ids;
}

}  // namespace

const std::map<std::uint16_t, std::uint8_t>& easySwitchKeys() {
  static const std::map<std::uint16_t, std::uint8_t> keys{{0x00D1, 1}, {0x00D2, 2}, {0x00D3, 3}};
  return keys;
}

std::optional<std::uint8_t> destination(std::optional<int> thisHost, int hostCount,
                                        std::optional<std::uint8_t> preferred, const std::set<int>& hidden) {
  if (hostCount < 2) return std::nullopt;
  if (preferred && *preferred >= 1 && *preferred <= hostCount && (!thisHost || *preferred != *thisHost) &&
      !hidden.contains(*preferred)) {
    return preferred;
  }
  if (!thisHost) return std::nullopt;
  for (int host = 1; host <= hostCount; ++host) {
    if (host != *thisHost && !hidden.contains(host)) return static_cast<std::uint8_t>(host);
  }
  return std::nullopt;
}

std::vector<std::uint16_t> spareButtonChoices(const std::vector<ControlInfo>& controls) {
  const std::set<std::uint16_t> ids = divertable(controls);
  std::vector<std::uint16_t> choices;
  for (const std::uint16_t preferred : {topButton, gestureButton}) {
    if (ids.contains(preferred)) choices.push_back(preferred);
  }
  const auto& names = ControlNames::names();
  for (const std::uint16_t id : ids) {
    if (id == topButton || id == gestureButton || easySwitchKeys().contains(id) || clicks.contains(id)) continue;
    if (names.contains(id)) choices.push_back(id);
  }
  return choices;
}

std::vector<Binding> plan(const std::vector<DeviceInfo>& devices,
                          const std::map<std::uint8_t, std::vector<ControlInfo>>& controls,
                          std::optional<std::uint8_t> destination, const std::set<int>& hidden) {
  std::vector<DeviceInfo> ordered = devices;
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const DeviceInfo& a, const DeviceInfo& b) { return a.index < b.index; });

  std::vector<Binding> bindings;
  for (const DeviceInfo& device : ordered) {
    const auto inventory = controls.find(device.index);
    if (!device.reprogFeature || inventory == controls.end()) continue;
    const std::set<std::uint16_t> ids = divertable(inventory->second);

    for (const auto& [cid, host] : easySwitchKeys()) {
      const bool reachable = device.hostCount == 0 || host <= device.hostCount;
      if (!ids.contains(cid) || !reachable || hidden.contains(host)) continue;
      bindings.push_back(Binding{.device = device.index,
                                 .cid = cid,
                                 .unitId = device.unitID,
                                 .name = device.name + " Easy-Switch " + std::to_string(host),
                                 .switchToHost = host,
                                 .command = std::nullopt});
    }

    if (!destination) continue;
    const std::vector<std::uint16_t> spare = spareButtonChoices(inventory->second);
    if (spare.empty()) continue;
    const auto& names = ControlNames::names();
    const auto named = names.find(spare.front());
    bindings.push_back(Binding{.device = device.index,
                               .cid = spare.front(),
                               .unitId = device.unitID,
                               .name = device.name + (named != names.end() ? " " + named->second : " button"),
                               .switchToHost = destination,
                               .command = std::nullopt});
  }
  return bindings;
}

}  // namespace flitbar::DefaultBindings
