#pragma once

#include "engine/ShellResult.h"

#include <functional>
#include <string>
#include <vector>

namespace flitbar {

// Runs the shell command of a binding. `SystemShellExecutor` is the real one; tests supply others.
class ShellExecuting {
 public:
  // Polled from the executing thread; must be safe to call from any thread.
  using ShouldCancel = std::function<bool()>;
  // "NAME=value" strings, as the command is to see them.
  using Environment = std::vector<std::string>;

  virtual ~ShellExecuting() = default;

  // Runs `command` with `environment` and blocks the calling thread until it ends or
  // `shouldCancel` turns true. Never throws: every failure is a ShellResult.
  virtual ShellResult execute(const std::string& command, const Environment& environment,
                              const ShouldCancel& shouldCancel) = 0;
};

}  // namespace flitbar
