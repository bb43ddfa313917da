// Argument validation of the receiver commands, before any of them runs.
#include "cli/CLI.h"
#include "cli/CLIError.h"
#include "cli/DecimalArgument.h"

namespace flitbar::CLI {

namespace {

// The word alone, or the word followed by `flag` and a value `accepts` takes.
template <typename Accepts>
bool aloneOrWithFlag(const std::vector<std::string>& arguments, const std::string& flag, Accepts accepts) {
  if (arguments.size() == 1) return true;
  return arguments.size() == 3 && arguments[1] == flag && accepts(arguments[2]);
}

}  // namespace

void validate(const std::vector<std::string>& arguments) {
  const auto& word = arguments.front();
  bool valid = true;
  std::string synopsis = word;
  if (word == "list") {
    valid = arguments.size() == 1 || (arguments.size() == 2 && arguments[1] == "--json");
    synopsis = "list [--json]";
  } else if (word == "inventory" || word == "restore" || word == "wheel" || word == "battery") {
    valid = arguments.size() == 1;
  } else if (word == "smartshift") {
    valid = aloneOrWithFlag(arguments, "--set", [](const std::string& value) {
      const auto threshold = DecimalArgument::parse(value, true);
      return threshold && *threshold >= -1;
    });
    synopsis = "smartshift [--set N] (-1 disables SmartShift)";
  } else if (word == "watch") {
    valid = aloneOrWithFlag(arguments, "-d", [](const std::string& value) {
      const auto device = DecimalArgument::parse(value, false);
      return device && *device >= 1 && *device <= 6;
    });
    synopsis = "watch [-d <1...6>]";
  }
  if (!valid) throw CLIError::usage("usage: " + synopsis);
}

}  // namespace flitbar::CLI
