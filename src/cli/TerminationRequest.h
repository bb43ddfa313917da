#pragma once

#include <csignal>

namespace flitbar {

// While alive, SIGINT, SIGTERM, SIGHUP and SIGQUIT no longer end the process: they only raise a
// flag that `requested` reports. SIGPIPE is ignored, so writing to a reader that went away fails
// with EPIPE instead of killing the process before it can clean up. The previous dispositions
// come back on destruction. One at a time.
class TerminationRequest {
 public:
  TerminationRequest();
  ~TerminationRequest();
  TerminationRequest(const TerminationRequest&) = delete;
  TerminationRequest& operator=(const TerminationRequest&) = delete;

  bool requested() const;

 private:
  static constexpr int signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
  static constexpr int signalCount = sizeof(signals) / sizeof(signals[0]);
  struct sigaction previous_[signalCount] {};
  struct sigaction previousPipe_ {};
};

}  // namespace flitbar
