#pragma once

#include "shell/RoutedApplication.h"

namespace flitbar {

// The product: its commands, its checks and its menu-bar application.
class FlitbarApplication : public RoutedApplication {
public:
  explicit FlitbarApplication(AppIdentity identity);

  const AppIdentity& identity() const override { return identity_; }
  std::vector<CLICommandHelp> commandHelp() const override;
  std::vector<DiagnosticCheck> diagnosticChecks() override;
  std::optional<CLIResult> handleCLI(const std::vector<std::string>& arguments) override;
  int runMenubarApplication(int argc, char** argv) override;

private:
  AppIdentity identity_;
};

}  // namespace flitbar
