#pragma once

#include "shell/AppIdentity.h"
#include "shell/CLICommandHelp.h"
#include "shell/CLIResult.h"
#include "shell/DiagnosticCheck.h"

#include <optional>
#include <string>
#include <vector>

namespace flitbar::UniversalCLI {

// The commands every product of the family answers, before the product's own.
const std::vector<CLICommandHelp>& universalCommands();

// Help text: the universal table then `domain`, commands padded to one column.
std::string help(const AppIdentity& identity, const std::vector<CLICommandHelp>& domain);

// Bundle check, identity checks, then `domain`; status 1 when any fails.
CLIResult doctor(const AppIdentity& identity, const std::vector<DiagnosticCheck>& domain,
                 const std::optional<std::string>& bundleIdentifier);

}  // namespace flitbar::UniversalCLI
