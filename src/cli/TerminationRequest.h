#pragma once

#include <csignal>

namespace flitbar {

// While alive, SIGINT, SIGTERM and SIGHUP no longer end the process: they only raise a flag that
// `requested` reports. The previous dispositions come back on destruction. One at a time.
class TerminationRequest {
 public:
  TerminationRequest();
  ~TerminationRequest();
  TerminationRequest(const TerminationRequest&) = delete;
  TerminationRequest& operator=(const TerminationRequest&) = delete;

  bool requested() const;

 private:
  static constexpr int signals[] = {SIGINT, SIGTERM, SIGHUP};
  struct sigaction previous_[3]{};
};

}  // namespace flitbar
