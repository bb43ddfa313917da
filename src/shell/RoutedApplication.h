#pragma once

#include "shell/AppIdentity.h"
#include "shell/CLICommandHelp.h"
#include "shell/CLIResult.h"
#include "shell/DiagnosticCheck.h"

#include <optional>
#include <string>
#include <vector>

namespace flitbar {

// What the entry needs from the product: its identity, its commands and its checks.
class RoutedApplication {
public:
  virtual ~RoutedApplication() = default;

  virtual const AppIdentity& identity() const = 0;
  virtual std::vector<CLICommandHelp> commandHelp() const = 0;
  virtual std::vector<DiagnosticCheck> diagnosticChecks() = 0;
  // A result only when the first argument is one of the product's command words.
  virtual std::optional<CLIResult> handleCLI(const std::vector<std::string>& arguments) = 0;
  // Runs the long-lived application until the process is asked to end; returns its exit status.
  virtual int runMenubarApplication(int argc, char** argv) = 0;
};

}  // namespace flitbar
