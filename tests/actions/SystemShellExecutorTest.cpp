#include "engine/SystemShellExecutor.h"
#include "support/TemporaryDirectory.h"

#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <thread>

namespace flitbar::testing {
namespace {

ShellExecuting::Environment thisProcess() {
  ShellExecuting::Environment variables;
  for (char** entry = environ; *entry; ++entry) variables.emplace_back(*entry);
  return variables;
}

ShellResult run(const std::string& command) {
  return SystemShellExecutor().execute(command, thisProcess(), [] { return false; });
}

TEST(SystemShellExecutor, ReportsAKillingSignalAndNeverRunsWhatFollowsANul) {
  const auto killed = run("kill -9 $$");
  EXPECT_EQ(killed, ShellResult::signalled(9));
  EXPECT_EQ(killed.failureDescription(), "terminated by signal 9");
  // A command is one C string: cut at the NUL it would be another command than the one bound.
  EXPECT_EQ(run(std::string("true\0rm -rf ~", 13)), ShellResult::notLaunched(std::strerror(EINVAL)));
}

// Runs in a child of the test, so what it changes need not be put back: a pipe as standard input,
// its other end a descriptor without close-on-exec, an environment variable, SIGUSR1 ignored and
// blocked. Exits with the number of probes that saw any of it.
[[noreturn]] void probeACleanStart() {
  ::setenv("FLITBAR_SHELL_PROBE", "carried over", 1);
  int ends[2];
  if (::pipe(ends) != 0 || ::dup2(ends[0], STDIN_FILENO) < 0) std::_Exit(100);
  ::signal(SIGUSR1, SIG_IGN);
  sigset_t blocked;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGUSR1);
  ::pthread_sigmask(SIG_BLOCK, &blocked, nullptr);
  struct Probe {
    std::string what;
    std::string command;
    ShellResult expected;
  };
  int failures = 0;
  for (const auto& [what, command, expected] : std::vector<Probe>{
           {"the environment", "test \"$FLITBAR_SHELL_PROBE\" = 'carried over'", ShellResult::exited(0)},
           {"standard input from /dev/null", "test /proc/$$/fd/0 -ef /dev/null", ShellResult::exited(0)},
           {"only the standard descriptors",
            "test -e /proc/$$/fd/" + std::to_string(ends[1]) + " && exit 1; test -e /proc/$$/fd/2",
            ShellResult::exited(0)},
           {"default dispositions and an empty mask", "kill -USR1 $$; exit 0", ShellResult::signalled(SIGUSR1)},
       }) {
    if (run(command) == expected) continue;
    std::cerr << "not given " << what << "\n";
    ++failures;
  }
  std::_Exit(failures);
}

TEST(SystemShellExecutor, TheChildSeesACleanStart) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(probeACleanStart(), ::testing::ExitedWithCode(0), "");
}

bool processGone(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string pidText, command, state;
  return !(stat >> pidText >> command >> state) || state == "Z" || state == "X";
}

TEST(SystemShellExecutor, CancellationEndsTheWholeProcessGroup) {
  TemporaryDirectory directory;
  const auto pidFile = directory / "background";
  // The shell ignores SIGTERM, so only the SIGKILL that follows ends it; cancelled as soon as the
  // background job is known to run.
  const auto result =
      SystemShellExecutor().execute("trap '' TERM; sleep 100 & echo $! > " + pidFile.string() + ".new && mv " +
                                        pidFile.string() + ".new " + pidFile.string() + "; wait",
                                    thisProcess(), [&pidFile] { return std::filesystem::exists(pidFile); });
  EXPECT_EQ(result, ShellResult::signalled(SIGTERM));
  pid_t background = 0;
  std::ifstream(pidFile) >> background;
  ASSERT_GT(background, 0);
  // Reaped by init, perhaps not at once.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!processGone(background) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(processGone(background));
}

}  // namespace
}  // namespace flitbar::testing
