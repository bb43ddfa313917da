#include "cli/CLIError.h"

namespace flitbar {

CLIError CLIError::usage(std::string text) { return {Kind::usage, std::move(text)}; }

CLIError CLIError::appRunning() {
  return {Kind::appRunning,
          "The Flitbar menubar app is running and owns the receiver. Use `flitbar switch <1|2|3>` for host changes, "
          "or quit Flitbar before direct diagnostics and restore."};
}

}  // namespace flitbar
