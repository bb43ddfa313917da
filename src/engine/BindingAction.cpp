#include "engine/BindingAction.h"

#include "protocol/ControlNames.h"

#include <algorithm>

namespace flitbar {

namespace {

bool targets(const EngineSnapshot& state, const Binding& binding, std::uint8_t device) {
  const auto indexes = state.targetIndexes(binding);
  return std::find(indexes.begin(), indexes.end(), device) != indexes.end();
}

}  // namespace

BindingAction BindingAction::forPress(const EngineSnapshot& state, std::uint8_t device, std::uint16_t cid) {
  const auto binding = std::find_if(state.bindings.begin(), state.bindings.end(), [&](const Binding& candidate) {
    return candidate.cid == cid && targets(state, candidate, device);
  });
  if (binding == state.bindings.end()) return {None{}};
  const std::string name = binding->displayName(ControlNames::names());
  if (!binding->switchToHost) return {RunCommand{binding->command.value_or(""), name}};

  const std::uint8_t host = *binding->switchToHost;
  bool anyCapable = false;
  bool allThere = true;
  for (const DeviceInfo& candidate : state.devices) {
    if (!candidate.changeHostFeature || candidate.hostCount < host) continue;
    anyCapable = true;
    allThere = allThere && candidate.currentHost + 1 == host;
  }
  if (anyCapable && allThere) return {AlreadyOnHost{"Already on host " + std::to_string(host) + "; ignoring " + name}};
  return {SwitchHost{host, name}};
}

std::vector<ManagedControls::Target> divertTargets(const EngineSnapshot& state) {
  std::vector<ManagedControls::Target> wanted;
  for (const Binding& binding : state.bindings) {
    for (const std::uint8_t index : state.targetIndexes(binding)) {
      const auto device = std::find_if(state.devices.begin(), state.devices.end(),
                                       [index](const DeviceInfo& candidate) { return candidate.index == index; });
      if (device != state.devices.end()) wanted.push_back({*device, binding.cid});
    }
  }
  return wanted;
}

}  // namespace flitbar
