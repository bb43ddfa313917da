#include "cli/TerminationRequest.h"

#include <atomic>

namespace flitbar {

namespace {

// A signal handler can reach nothing but a lock-free flag of static storage.
std::atomic<bool> signalled{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void noteTermination(int) { signalled.store(true); }

}  // namespace

TerminationRequest::TerminationRequest() {
  signalled.store(false);
  struct sigaction action {};
  action.sa_handler = noteTermination;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int i = 0; i < signalCount; ++i) sigaction(signals[i], &action, &previous_[i]);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, &previousPipe_);
}

TerminationRequest::~TerminationRequest() {
  sigaction(SIGPIPE, &previousPipe_, nullptr);
  for (int i = 0; i < signalCount; ++i) sigaction(signals[i], &previous_[i], nullptr);
}

bool TerminationRequest::requested() const { return signalled.load(); }

}  // namespace flitbar
