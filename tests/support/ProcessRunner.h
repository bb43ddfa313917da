#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace flitbar::testing {

struct ProcessOutcome {
  int status = -1;           // exit status, or -1 when killed by a signal
  int signal = 0;            // the terminating signal, if any
  std::string standardOutput;
  std::string standardError;
  bool timedOut = false;
};

// Runs an executable with arguments and extra environment, capturing both output streams.
// The process is killed (and `timedOut` set) when it outlives `limit`.
ProcessOutcome runProcess(const std::string& executable, const std::vector<std::string>& arguments,
                          const std::map<std::string, std::string>& environment = {},
                          std::chrono::milliseconds limit = std::chrono::seconds(30));

// A started process whose output is collected when it is waited for.
class RunningProcess {
public:
  RunningProcess(const std::string& executable, const std::vector<std::string>& arguments,
                 const std::map<std::string, std::string>& environment = {});
  ~RunningProcess();
  RunningProcess(const RunningProcess&) = delete;
  RunningProcess& operator=(const RunningProcess&) = delete;

  int pid() const { return pid_; }
  void signal(int signalNumber) const;
  // Reads standard output until `text` appears or `limit` passes; true when it appeared.
  bool waitForOutput(const std::string& text, std::chrono::milliseconds limit);
  ProcessOutcome wait(std::chrono::milliseconds limit = std::chrono::seconds(30));

private:
  void drain(std::chrono::milliseconds budget);

  int pid_ = -1;
  int outFd_ = -1;
  int errFd_ = -1;
  std::string out_;
  std::string err_;
  bool reaped_ = false;
};

}  // namespace flitbar::testing
