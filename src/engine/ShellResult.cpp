#include "engine/ShellResult.h"

namespace flitbar {

bool ShellResult::succeeded() const {
  return !launchError && terminationReason == TerminationReason::exit && exitCode == 0;
}

std::string ShellResult::failureDescription() const {
  if (launchError) return "could not launch: " + *launchError;
  if (terminationReason == TerminationReason::uncaughtSignal) return "terminated by signal " + std::to_string(exitCode);
  return "exited with status " + std::to_string(exitCode);
}

}  // namespace flitbar
