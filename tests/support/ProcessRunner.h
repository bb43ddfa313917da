#pragma once

#include "support/TemporaryDirectory.h"

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace flitbar::testing {

struct ProcessOutcome {
  int status = -1;  // exit status, or -1 when killed by a signal
  std::string standardOutput;
  std::string standardError;
};

// A started process writing its output to files of its own, so a descendant that inherits them
// can never hold the test up.
class RunningProcess {
 public:
  RunningProcess(const std::string& executable, const std::vector<std::string>& arguments,
                 const std::map<std::string, std::string>& environment = {});
  ~RunningProcess();

  void signal(int signalNumber) const;
  // Polls standard output until `text` appears or `limit` passes; true when it appeared.
  bool waitForOutput(const std::string& text, std::chrono::milliseconds limit);
  ProcessOutcome wait(std::chrono::milliseconds limit = std::chrono::seconds(30));

 private:
  bool exited();

  TemporaryDirectory folder_;
  const std::string out_ = (folder_ / "out").string();
  const std::string err_ = (folder_ / "err").string();
  int pid_ = -1;
  std::optional<int> waitStatus_;
};

// Runs an executable with arguments and extra environment, capturing both output streams.
// The process is killed when it outlives 30 seconds.
inline ProcessOutcome runProcess(const std::string& executable, const std::vector<std::string>& arguments,
                                 const std::map<std::string, std::string>& environment = {}) {
  return RunningProcess(executable, arguments, environment).wait();
}

}  // namespace flitbar::testing
