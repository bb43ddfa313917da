#pragma once

#include "config/ConfigStore.h"
#include "platform/ProcessTable.h"
#include "platform/RunningApplications.h"
#include "shell/RoutedApplication.h"

namespace flitbar {

// The product: its commands, its checks and its menu-bar application.
class FlitbarApplication : public RoutedApplication {
 public:
  // `bindings` is the bindings file the checks judge; the two process views find programs that
  // would fight for the receiver. Both views must outlive the application.
  FlitbarApplication(AppIdentity identity, ConfigStore bindings, RunningApplications& runningApplications,
                     ProcessTable& processes);

  const AppIdentity& identity() const override { return identity_; }
  std::vector<CLICommandHelp> commandHelp() const override;
  // Configuration location, vendor agent, other HID++ tools, then the bindings file. Reads the file
  // system and the process lists only; never opens the receiver.
  std::vector<DiagnosticCheck> diagnosticChecks() override;
  std::optional<CLIResult> handleCLI(const std::vector<std::string>& arguments) override;
  int runMenubarApplication(int argc, char** argv) override;

 private:
  AppIdentity identity_;
  ConfigStore bindings_;
  RunningApplications& runningApplications_;
  ProcessTable& processes_;
};

}  // namespace flitbar
