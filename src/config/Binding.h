#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace flitbar {

// One binding: a control on a paired device, and what pressing it does. Bindings produced by
// ConfigStore carry exactly one of `switchToHost` and `command`.
struct Binding {
  std::uint8_t device = 0;                   // 1-based device index on the receiver
  std::uint16_t cid = 0;                     // control id
  std::optional<std::string> unitId;         // "AA:BB:CC:DD"; when present the binding follows that device
  std::optional<std::string> name;           // as written in the file
  std::optional<std::uint8_t> switchToHost;  // 1..3
  std::optional<std::string> command;        // shell command line, as written

  // The name, else "device N, <control name>", else "device N, control <cid>".
  // `controlNames` is the table of well-known control names.
  std::string displayName(const std::map<std::uint16_t, std::string>& controlNames) const;

  bool operator==(const Binding&) const = default;
};

}  // namespace flitbar
