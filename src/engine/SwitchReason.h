#pragma once

#include <string>

namespace flitbar {

// Why the devices were moved.
struct SwitchReason {
  enum class Kind {
    binding,          // a bound control was pressed; detail: the binding's display name
    followLeader,     // following departed devices; detail: their names joined with ", "
    menu,             // the panel's host menu
    externalCommand,  // a switch request from the command line
    screenLocked,     // this computer locked
  };

  Kind kind = Kind::menu;
  std::string detail;

  static SwitchReason binding(std::string displayName) { return {Kind::binding, std::move(displayName)}; }
  static SwitchReason followLeader(std::string leaders) { return {Kind::followLeader, std::move(leaders)}; }
  static SwitchReason menu() { return {Kind::menu, {}}; }
  static SwitchReason externalCommand() { return {Kind::externalCommand, {}}; }
  static SwitchReason screenLocked() { return {Kind::screenLocked, {}}; }

  bool operator==(const SwitchReason&) const = default;
};

}  // namespace flitbar
