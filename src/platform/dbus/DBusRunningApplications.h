#pragma once

#include "platform/RunningApplications.h"

namespace flitbar {

// Asks the session bus daemon who owns a well-known name and which process that connection is.
// Works from a plain command-line process; no Qt application object is needed.
class DBusRunningApplications : public RunningApplications {
public:
  std::vector<int> processIds(const std::string& bundleIdentifier) override;
};

}  // namespace flitbar
