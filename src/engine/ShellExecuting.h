#pragma once

#include "engine/ShellResult.h"

#include <functional>
#include <string>

namespace flitbar {

// Runs the shell command of a binding. `SystemShellExecutor` is the real one; tests supply others.
class ShellExecuting {
 public:
  // Polled from the executing thread; must be safe to call from any thread.
  using ShouldCancel = std::function<bool()>;

  virtual ~ShellExecuting() = default;

  // Runs `command` and blocks the calling thread until it ends or `shouldCancel` turns true.
  // Never throws: every failure is a ShellResult.
  virtual ShellResult execute(const std::string& command, const ShouldCancel& shouldCancel) = 0;
};

}  // namespace flitbar
