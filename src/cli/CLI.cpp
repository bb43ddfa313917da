#include "cli/CLI.h"

#include "cli/CLIDiagnostics.h"
#include "cli/CLIError.h"
#include "protocol/HIDPPError.h"

namespace flitbar::CLI {

namespace {

CommandResult failure(std::int32_t status, const std::string& message) {
  return {status, "", "error: " + message + "\n"};
}

CommandResult dispatch(const std::vector<std::string>& arguments, const CLIEnvironment& environment) {
  const auto& word = arguments.front();
  if (word == "list") return {0, list(arguments, environment), ""};
  if (word == "battery") return {0, battery(arguments, environment), ""};
  if (word == "switch") return switchTo(arguments, environment);
  if (word == "inventory") return {0, inventory(arguments, environment), ""};
  if (word == "smartshift") return {0, smartshift(arguments, environment), ""};
  if (word == "wheel") return {0, wheel(arguments, environment), ""};
  if (word == "restore") return restore(arguments, environment);
  if (word == "watch") return watch(arguments, environment);
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
