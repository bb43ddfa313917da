#pragma once

#include <string>

namespace flitbar {

// One line of the help table.
struct CLICommandHelp {
  std::string command;
  std::string summary;

  bool operator==(const CLICommandHelp&) const = default;
};

}  // namespace flitbar
