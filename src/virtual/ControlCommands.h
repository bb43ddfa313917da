#pragma once

#include "virtual/VirtualWorld.h"

#include <nlohmann/json_fwd.hpp>

#include <stdexcept>
#include <string>
#include <vector>

namespace flitbar::virtualhid {

// A control command that is malformed or that the world refused; the message says why.
class ControlError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The world's control vocabulary, shared by the control socket and by tests: one command is a
// list of words such as {"press", "keyboard", "0x00D1"}.
class ControlCommands {
 public:
  explicit ControlCommands(VirtualWorld& world) : world_(world) {}

  // Returns {"ok": true} (with "state" for the state command). Throws ControlError.
  nlohmann::json run(const std::vector<std::string>& words);

  // One line per command, for usage messages.
  static const char* usage();

 private:
  VirtualWorld& world_;
};

}  // namespace flitbar::virtualhid
