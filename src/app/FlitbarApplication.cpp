#include "app/FlitbarApplication.h"

#include "cli/CLI.h"
#include "platform/dbus/SwitchIPC.h"
#include "shell/MenubarHost.h"

#include <unistd.h>

#include <set>

namespace flitbar {

FlitbarApplication::FlitbarApplication(AppIdentity identity, ConfigStore bindings,
                                       RunningApplications& runningApplications, ProcessTable& processes, Parts parts)
    : identity_(std::move(identity)),
      bindings_(std::move(bindings)),
      runningApplications_(runningApplications),
      processes_(processes),
      defaultsStore_(std::move(parts.defaults)),
      defaults_(*defaultsStore_),
      makeEngine_(std::move(parts.makeEngine)),
      observeDesktop_(std::move(parts.observeDesktop)),
      snapshot_(std::move(parts.snapshot)) {
  if (!snapshot_.devices.empty()) {
    lastKnownHostCount_ = snapshot_.hostCount();
    lastKnownThisHost_ = snapshot_.thisHost();
  }
}

FlitbarApplication::FlitbarApplication(AppIdentity identity, ConfigStore bindings,
                                       RunningApplications& runningApplications, ProcessTable& processes)
    : FlitbarApplication(std::move(identity), std::move(bindings), runningApplications, processes, Parts{}) {}

FlitbarApplication::~FlitbarApplication() = default;

std::vector<CLICommandHelp> FlitbarApplication::commandHelp() const {
  return {
      {"list [--json]", "paired devices, hosts, batteries; --json for automators"},
      {"switch <1|2|3>", "move every capable device to a host"},
      {"inventory", "every control with its divert state"},
      {"watch [-d N]", "print diverted presses; ctrl-C restores"},
      {"restore", "hand every button back to Linux (exit 1 if any fail)"},
      {"smartshift [--set N]", "inspect or set the wheel threshold (-1 = off)"},
      {"wheel", "hi-res wheel mode (0 = Linux, 1 = a driver)"},
      {"battery", "battery percentage of each reporting device"},
  };
}

std::optional<CLIResult> FlitbarApplication::handleCLI(const std::vector<std::string>& arguments) {
  static const std::set<std::string> receiverCommands{"list",    "switch",     "inventory", "watch",
                                                      "restore", "smartshift", "wheel",     "battery"};
  if (arguments.empty() || !receiverCommands.contains(arguments.front())) return std::nullopt;
  SwitchIPC relay(runningApplications_, AppIdentity::productBundleIdentifier, static_cast<int>(::getpid()));
  auto result = CLI::run(arguments, CLIEnvironment::live(relay));
  return CLIResult{result.status, std::move(result.standardOutput), std::move(result.standardError)};
}

int FlitbarApplication::runMenubarApplication(int argc, char** argv) {
  return MenubarHost::run(*this, defaults_, argc, argv);
}

}  // namespace flitbar
