#pragma once

#include "engine/ShellExecuting.h"

#include <string>

namespace flitbar {

// Runs commands with `sh -c` in a process group of their own.
//
// The child starts with default signal dispositions, an empty signal mask, standard input from
// /dev/null, standard output joined to this process's standard error and no other descriptor
// inherited; it gets the environment it is given. When `shouldCancel` turns true the whole group
// gets SIGTERM, then SIGKILL 0.5 s later, and the result is signal 15 whatever the child did.
// There is no time limit otherwise. Blocks the calling thread: run it on the shell pool only.
class SystemShellExecutor : public ShellExecuting {
 public:
  // `shell` is the interpreter to spawn; tests pass a missing path to see a launch failure.
  explicit SystemShellExecutor(std::string shell = "/bin/sh") : shell_(std::move(shell)) {}

  ShellResult execute(const std::string& command, const Environment& environment,
                      const ShouldCancel& shouldCancel) override;

 private:
  std::string shell_;
};

}  // namespace flitbar
