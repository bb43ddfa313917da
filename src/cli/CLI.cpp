#include "cli/CLI.h"

#include "cli/CLIError.h"
#include "protocol/HIDPPError.h"

namespace flitbar::CLI {

namespace {

CommandResult failure(std::int32_t status, const std::string& message) { return {status, "", "error: " + message + "\n"}; }

CommandResult dispatch(const std::vector<std::string>& arguments, const CLIEnvironment& environment) {
  const auto& word = arguments.front();
  if (word == "list") return {0, list(arguments, environment), ""};
  if (word == "battery") return {0, battery(arguments, environment), ""};
  if (word == "switch") return switchTo(arguments, environment);
  // The diagnostic commands (inventory, watch, restore, smartshift, wheel) are validated above
  // but not available in this build; they answer like any word without a command behind it.
  return failure(2, "unknown command: " + word);
}

}  // namespace

CommandResult run(const std::vector<std::string>& arguments, const CLIEnvironment& environment) {
  if (arguments.empty()) return failure(2, "missing command");
  try {
    validate(arguments);
    return dispatch(arguments, environment);
  } catch (const CLIError& error) {
    return failure(2, error.description());
  } catch (const HIDPPError& error) {
    return failure(1, error.description());
  } catch (const std::exception& error) {
    return failure(1, error.what());
  }
}

}  // namespace flitbar::CLI
