#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace flitbar {

// How a shell-command binding ended.
struct ShellResult {
  enum class TerminationReason { exit = 1, uncaughtSignal = 2 };

  // The exit status, or the signal number for `uncaughtSignal`; -1 when the command never ran.
  std::int32_t exitCode = 0;
  TerminationReason terminationReason = TerminationReason::exit;
  // Why the command was not started.
  std::optional<std::string> launchError;

  static ShellResult exited(std::int32_t status) { return {status, TerminationReason::exit, std::nullopt}; }
  static ShellResult signalled(std::int32_t signal) {
    return {signal, TerminationReason::uncaughtSignal, std::nullopt};
  }
  static ShellResult notLaunched(std::string why) { return {-1, TerminationReason::exit, std::move(why)}; }

  // Launched, exited, status 0.
  bool succeeded() const;
  // "could not launch: …", "terminated by signal N" or "exited with status N".
  std::string failureDescription() const;

  bool operator==(const ShellResult&) const = default;
};

}  // namespace flitbar
