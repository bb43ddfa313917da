#pragma once

#include "platform/ProcessTable.h"
#include "platform/RunningApplications.h"

#include <map>

namespace flitbar::testing {

// Running applications by bundle identifier, as the test sets them.
class FakeRunningApplications : public RunningApplications {
 public:
  std::map<std::string, std::vector<int>> running;

  std::vector<int> processIds(const std::string& bundleIdentifier) override { return running[bundleIdentifier]; }
};

// A fixed process list.
class FakeProcessTable : public ProcessTable {
 public:
  std::vector<ProcessEntry> entries;

  std::vector<ProcessEntry> processes() override { return entries; }
};

}  // namespace flitbar::testing
