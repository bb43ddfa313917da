#pragma once

#include "cli/CLIEnvironment.h"
#include "cli/CLIError.h"

#include <vector>

namespace flitbar {

// The receiver one diagnostic command opened; its transport is stopped however the command ends.
// Construction refuses with CLIError::appRunning while the menu-bar application owns the receiver.
class CommandReceiver {
 public:
  explicit CommandReceiver(const CLIEnvironment& environment) : opened_(open(environment)) {}
  ~CommandReceiver() { opened_.session->stop(); }
  CommandReceiver(const CommandReceiver&) = delete;
  CommandReceiver& operator=(const CommandReceiver&) = delete;

  ReceiverSession& session() { return *opened_.session; }
  const std::vector<DeviceInfo>& devices() const { return opened_.devices; }

 private:
  static OpenedReceiver open(const CLIEnvironment& environment) {
    if (environment.isGUIRunning()) throw CLIError::appRunning();
    return environment.openReceiver();
  }

  OpenedReceiver opened_;
};

}  // namespace flitbar
