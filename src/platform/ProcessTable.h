#pragma once

#include <string>
#include <vector>

namespace flitbar {

// One running process of any user.
struct ProcessEntry {
  int pid = 0;
  std::string name;                    // the kernel's short command name
  std::vector<std::string> arguments;  // the command line; empty when it cannot be read

  bool operator==(const ProcessEntry&) const = default;
};

// Lists the processes running on this computer.
class ProcessTable {
 public:
  virtual ~ProcessTable() = default;

  // Processes that vanish while being listed are left out.
  virtual std::vector<ProcessEntry> processes() = 0;
};

}  // namespace flitbar
