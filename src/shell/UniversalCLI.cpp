#include "shell/UniversalCLI.h"

#include <algorithm>

namespace flitbar::UniversalCLI {
namespace {

// Help columns count characters, not bytes.
std::size_t characterCount(const std::string& text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char byte) { return (static_cast<unsigned char>(byte) & 0xC0) != 0x80; }));
}

}  // namespace

const std::vector<CLICommandHelp>& universalCommands() {
  static const std::vector<CLICommandHelp> commands{
      {"version", "print the bundled product version"},
      {"doctor", "check universal and product prerequisites"},
      {"help", "show this help"},
  };
  return commands;
}

std::string help(const AppIdentity& identity, const std::vector<CLICommandHelp>& domain) {
  std::vector<CLICommandHelp> rows = universalCommands();
  rows.insert(rows.end(), domain.begin(), domain.end());
  std::size_t width = 0;
  for (const auto& row : rows) width = std::max(width, characterCount(row.command));

  std::string text = identity.slug + " \u2014 " + identity.tagline + "\n\n";
  for (std::size_t index = 0; index < rows.size(); ++index) {
    if (index > 0) text += "\n";
    text += "  " + rows[index].command + std::string(width - characterCount(rows[index].command), ' ') + "  " +
            rows[index].summary;
  }
  return text + "\n\nWith no arguments, launches the menubar app.\n";
}

CLIResult doctor(const AppIdentity& identity, const std::vector<DiagnosticCheck>& domain,
                 const std::optional<std::string>& bundleIdentifier) {
  std::vector<DiagnosticCheck> checks;
  checks.push_back({"bundle", bundleIdentifier == identity.bundleIdentifier,
                    "bundle identifier is " + identity.bundleIdentifier,
                    "run doctor from " FLITBAR_INSTALL_PREFIX "/bin/" + identity.slug});
  for (const auto& violation : identity.violations())
    checks.push_back({violation.field, false, "", violation.description()});
  checks.insert(checks.end(), domain.begin(), domain.end());

  CLIResult result;
  for (const auto& check : checks) {
    result.standardOutput += check.passed ? "\u2713 " + check.success : "\u2717 " + check.name + ": " + check.remedy;
    result.standardOutput += "\n";
    if (!check.passed) result.status = 1;
  }
  return result;
}

}  // namespace flitbar::UniversalCLI
