#pragma once

#include "engine/EngineSnapshot.h"
#include "engine/ManagedControls.h"

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace flitbar {

// What one new press of a diverted control asks for, decided from the engine's picture alone.
struct BindingAction {
  // No binding of this control reaches this device.
  struct None {
    bool operator==(const None&) const = default;
  };
  // A command binding: run `command` in the background; failures are reported under `name`.
  struct RunCommand {
    std::string command;
    std::string name;
    bool operator==(const RunCommand&) const = default;
  };
  // Every device that can reach the host is on it already: log `line` and do nothing else.
  struct AlreadyOnHost {
    std::string line;
    bool operator==(const AlreadyOnHost&) const = default;
  };
  // Move every device to `host`, for the binding named `name`.
  struct SwitchHost {
    std::uint8_t host = 1;
    std::string name;
    bool operator==(const SwitchHost&) const = default;
  };

  std::variant<None, RunCommand, AlreadyOnHost, SwitchHost> what;

  // The first binding of `state.bindings` for `cid` whose targets include `device` decides. A
  // host binding whose capable devices are all on its host already is only logged; when no
  // device can reach the host, the switch is still asked for (and finds nothing to move).
  static BindingAction forPress(const EngineSnapshot& state, std::uint8_t device, std::uint16_t cid);

  bool operator==(const BindingAction&) const = default;
};

// The (device, control) pairs the bindings want diverted: bindings in order, then their targets,
// for the targets present in `state.devices`.
std::vector<ManagedControls::Target> divertTargets(const EngineSnapshot& state);

}  // namespace flitbar
