#pragma once

#include <string>
#include <vector>

namespace flitbar {

// Finds running applications by their bundle identifier. On Linux an application "runs" while a
// process owns the session-bus name equal to its identifier.
class RunningApplications {
public:
  virtual ~RunningApplications() = default;

  // Process ids of the owners of `bundleIdentifier`; empty when none (or when there is no bus).
  virtual std::vector<int> processIds(const std::string& bundleIdentifier) = 0;
};

}  // namespace flitbar
