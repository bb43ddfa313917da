#pragma once

#include "shell/AppIdentity.h"

namespace flitbar {

// The long-lived host of the menu-bar application. For now it keeps a Qt application running
// until SIGINT, SIGTERM or SIGHUP asks it to end.
class MenubarHost {
public:
  explicit MenubarHost(const AppIdentity& identity);

  // Runs the event loop; returns the exit status (0 after a termination signal).
  int run(int argc, char** argv);

private:
  AppIdentity identity_;
};

}  // namespace flitbar
