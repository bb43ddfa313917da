#pragma once

#include "cli/CLIEnvironment.h"
#include "cli/CommandResult.h"

#include <string>
#include <vector>

namespace flitbar::CLI {

// Runs one receiver command. `arguments` start with the command word. Never throws: refusals
// and usage errors end with status 2, HID++ and other failures with status 1, each as one
// "error: " line on standard error. The receiver, when opened, is stopped before returning.
CommandResult run(const std::vector<std::string>& arguments, const CLIEnvironment& environment);

// Throws CLIError::usage when the arguments do not fit the command's accepted forms. `switch`
// is left to the command itself.
void validate(const std::vector<std::string>& arguments);

// The commands. `list` and `battery` return their standard output.
std::string list(const std::vector<std::string>& arguments, const CLIEnvironment& environment);
std::string battery(const std::vector<std::string>& arguments, const CLIEnvironment& environment);
CommandResult switchTo(const std::vector<std::string>& arguments, const CLIEnvironment& environment);

}  // namespace flitbar::CLI
