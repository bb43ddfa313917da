#include "engine/SystemShellExecutor.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

namespace flitbar {
namespace {

using namespace std::chrono_literals;

ShellExecuting::Environment thisProcess() {
  ShellExecuting::Environment variables;
  for (char** entry = environ; *entry; ++entry) variables.emplace_back(*entry);
  return variables;
}

ShellResult run(const std::string& command) {
  SystemShellExecutor executor;
  return executor.execute(command, thisProcess(), [] { return false; });
}

TEST(SystemShellExecutor, ReportsHowTheCommandEnded) {
  EXPECT_TRUE(run("true").succeeded());
  const ShellResult exited = run("exit 3");
  EXPECT_EQ(exited, ShellResult::exited(3));
  EXPECT_EQ(exited.failureDescription(), "exited with status 3");
  const ShellResult killed = run("kill -9 $$");
  EXPECT_EQ(killed, ShellResult::signalled(9));
  EXPECT_EQ(killed.failureDescription(), "terminated by signal 9");
}

TEST(SystemShellExecutor, RefusesWhatItCannotLaunch) {
  const ShellResult withNul = run(std::string("true\0rm -rf ~", 13));
  EXPECT_EQ(withNul, ShellResult::notLaunched(std::strerror(EINVAL)));
  EXPECT_EQ(withNul.failureDescription(), std::string("could not launch: ") + std::strerror(EINVAL));

  SystemShellExecutor missingShell("/nonexistent/sh");
  const ShellResult missing = missingShell.execute("true", thisProcess(), [] { return false; });
  EXPECT_EQ(missing, ShellResult::notLaunched(std::strerror(ENOENT)));
  EXPECT_FALSE(missing.succeeded());
}

TEST(SystemShellExecutor, PassesTheEnvironment) {
  ::setenv("FLITBAR_SHELL_PROBE", "carried over", 1);
  EXPECT_TRUE(run("test \"$FLITBAR_SHELL_PROBE\" = 'carried over'").succeeded());
  ::unsetenv("FLITBAR_SHELL_PROBE");
}

TEST(SystemShellExecutor, ReadsStandardInputFromDevNull) {
  // Our own standard input becomes a pipe for the call, so inheriting it would show.
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  const int savedInput = ::dup(STDIN_FILENO);
  ::dup2(pipeEnds[0], STDIN_FILENO);
  const ShellResult result = run("test /proc/$$/fd/0 -ef /dev/null");
  ::dup2(savedInput, STDIN_FILENO);
  ::close(savedInput);
  ::close(pipeEnds[0]);
  ::close(pipeEnds[1]);
  EXPECT_TRUE(result.succeeded()) << result.failureDescription();
}

TEST(SystemShellExecutor, InheritsOnlyTheStandardDescriptors) {
  const int stray = ::open("/dev/null", O_RDONLY);  // deliberately without close-on-exec
  ASSERT_GE(stray, 3);
  const ShellResult result = run("test -e /proc/$$/fd/" + std::to_string(stray) + " && exit 1; test -e /proc/$$/fd/2");
  ::close(stray);
  EXPECT_TRUE(result.succeeded()) << result.failureDescription();
}

TEST(SystemShellExecutor, SendsStandardOutputToStandardError) {
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  const int savedError = ::dup(STDERR_FILENO);
  ::dup2(pipeEnds[1], STDERR_FILENO);
  ::close(pipeEnds[1]);
  const ShellResult result = run("echo to-out; echo to-err >&2");
  ::dup2(savedError, STDERR_FILENO);
  ::close(savedError);

  std::string captured;
  char buffer[256];
  for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) captured.append(buffer, n);
  ::close(pipeEnds[0]);
  EXPECT_TRUE(result.succeeded());
  EXPECT_EQ(captured, "to-out\nto-err\n");
}

TEST(SystemShellExecutor, StartsWithDefaultSignalsAndAnEmptyMask) {
  // Ignored and blocked here; both would survive an exec without the reset.
  struct sigaction ignore {};
  struct sigaction previous {};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGUSR1, &ignore, &previous);
  sigset_t blocked;
  sigset_t previousMask;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGUSR1);
  ::pthread_sigmask(SIG_BLOCK, &blocked, &previousMask);

  const ShellResult result = run("kill -USR1 $$; exit 0");

  ::pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
  ::sigaction(SIGUSR1, &previous, nullptr);
  EXPECT_EQ(result, ShellResult::signalled(SIGUSR1));
}

bool processGone(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string pidText, command, state;
  if (!(stat >> pidText >> command >> state)) return true;
  return state == "Z" || state == "X";
}

TEST(SystemShellExecutor, CancellationEndsTheWholeProcessGroup) {
  const auto pidFile = std::filesystem::temp_directory_path() / ("flitbar-shell-" + std::to_string(::getpid()));
  std::atomic<bool> cancel{false};
  std::thread canceller([&] {
    // Cancel once the command is running, however slowly the machine starts it.
    while (!std::filesystem::exists(pidFile)) std::this_thread::sleep_for(5ms);
    std::this_thread::sleep_for(50ms);
    cancel = true;
  });
  SystemShellExecutor executor;
  const auto started = std::chrono::steady_clock::now();
  // The shell ignores SIGTERM, so only the SIGKILL that follows ends it.
  const ShellResult result = executor.execute("trap '' TERM; sleep 100 & echo $! > " + pidFile.string() + "; wait",
                                              thisProcess(), [&] { return cancel.load(); });
  canceller.join();
  // Far below the command's own 100 s: it was ended, not waited for.
  EXPECT_LT(std::chrono::steady_clock::now() - started, 30s);

  EXPECT_EQ(result, ShellResult::signalled(SIGTERM));
  std::ifstream pidStream(pidFile);
  pid_t background = 0;
  pidStream >> background;
  std::filesystem::remove(pidFile);
  ASSERT_GT(background, 0);
  // The background sleep was in the same group; it is reaped by init, perhaps not at once.
  for (int i = 0; i < 200 && !processGone(background); ++i) std::this_thread::sleep_for(10ms);
  EXPECT_TRUE(processGone(background));
}

TEST(SystemShellExecutor, DoesNotStartWhenAlreadyCancelled) {
  SystemShellExecutor executor;
  const auto marker = std::filesystem::temp_directory_path() / ("flitbar-never-" + std::to_string(::getpid()));
  EXPECT_EQ(executor.execute("touch " + marker.string(), thisProcess(), [] { return true; }),
            ShellResult::signalled(SIGTERM));
  EXPECT_FALSE(std::filesystem::exists(marker));
}

}  // namespace
}  // namespace flitbar
