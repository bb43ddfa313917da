#include "engine/SystemShellExecutor.h"
#include "support/TemporaryDirectory.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

namespace flitbar::testing {
namespace {

ShellExecuting::Environment thisProcess() {
  ShellExecuting::Environment variables;
  for (char** entry = environ; *entry; ++entry) variables.emplace_back(*entry);
  return variables;
}

ShellResult run(const std::string& command, const std::string& shell = "/bin/sh") {
  return SystemShellExecutor(shell).execute(command, thisProcess(), [] { return false; });
}

TEST(SystemShellExecutor, ReportsHowTheCommandEndedOrWhyItCouldNotStart) {
  struct Case {
    std::string shell;
    std::string command;
    ShellResult result;
    std::string failure;
  };
  for (const auto& [shell, command, result, failure] : std::vector<Case>{
           {"/bin/sh", "true", ShellResult::exited(0), ""},
           {"/bin/sh", "exit 3", ShellResult::exited(3), "exited with status 3"},
           {"/bin/sh", "kill -9 $$", ShellResult::signalled(9), "terminated by signal 9"},
           {"/bin/sh", std::string("true\0rm -rf ~", 13), ShellResult::notLaunched(std::strerror(EINVAL)),
            std::string("could not launch: ") + std::strerror(EINVAL)},
           {"/nonexistent/sh", "true", ShellResult::notLaunched(std::strerror(ENOENT)),
            std::string("could not launch: ") + std::strerror(ENOENT)},
       }) {
    const auto ended = run(command, shell);
    EXPECT_EQ(ended, result) << command;
    EXPECT_EQ(ended.succeeded(), failure.empty()) << command;
    if (!failure.empty()) {
      EXPECT_EQ(ended.failureDescription(), failure) << command;
    }
  }
}

// What a child could inherit by mistake, set up for the duration of the probes: one pipe as
// standard input and error, /dev/null as standard output through a descriptor without
// close-on-exec, an environment variable, and SIGUSR1 ignored and blocked.
class InheritableState {
 public:
  InheritableState() {
    ::setenv("FLITBAR_SHELL_PROBE", "carried over", 1);
    for (int fd = 0; fd < 3; ++fd) saved_[fd] = ::dup(fd);
    if (::pipe(pipe_) != 0) throw std::runtime_error("pipe");
    ::dup2(pipe_[0], STDIN_FILENO);
    ::dup2(pipe_[1], STDERR_FILENO);
    stray = ::open("/dev/null", O_WRONLY);
    ::dup2(stray, STDOUT_FILENO);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGUSR1, &ignore, &previousAction_);
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    ::pthread_sigmask(SIG_BLOCK, &blocked, &previousMask_);
  }
  ~InheritableState() {
    ::pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
    ::sigaction(SIGUSR1, &previousAction_, nullptr);
    for (int fd = 0; fd < 3; ++fd) ::dup2(saved_[fd], fd);
    for (const int fd : {saved_[0], saved_[1], saved_[2], pipe_[0], pipe_[1], stray}) ::close(fd);
    ::unsetenv("FLITBAR_SHELL_PROBE");
  }

  int stray = -1;

 private:
  int saved_[3]{};
  int pipe_[2]{};
  struct sigaction previousAction_ {};
  sigset_t previousMask_{};
};

TEST(SystemShellExecutor, TheChildSeesACleanStart) {
  struct Probe {
    std::string what;
    std::string command;
    ShellResult expected;
  };
  std::vector<std::pair<Probe, ShellResult>> seen;
  {
    InheritableState state;
    for (const auto& probe : std::vector<Probe>{
             {"the environment", "test \"$FLITBAR_SHELL_PROBE\" = 'carried over'", ShellResult::exited(0)},
             {"standard input from /dev/null", "test /proc/$$/fd/0 -ef /dev/null", ShellResult::exited(0)},
             {"standard output joined to standard error", "test /proc/$$/fd/1 -ef /proc/$$/fd/2",
              ShellResult::exited(0)},
             {"only the standard descriptors",
              "test -e /proc/$$/fd/" + std::to_string(state.stray) + " && exit 1; test -e /proc/$$/fd/2",
              ShellResult::exited(0)},
             {"default dispositions and an empty mask", "kill -USR1 $$; exit 0", ShellResult::signalled(SIGUSR1)},
         }) {
      seen.emplace_back(probe, run(probe.command));
    }
  }
  for (const auto& [probe, result] : seen) EXPECT_EQ(result, probe.expected) << probe.what;
}

bool processGone(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string pidText, command, state;
  return !(stat >> pidText >> command >> state) || state == "Z" || state == "X";
}

TEST(SystemShellExecutor, CancellationEndsTheWholeProcessGroupOrPreventsTheStart) {
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

  const auto marker = directory / "never";
  EXPECT_EQ(SystemShellExecutor().execute("touch " + marker.string(), thisProcess(), [] { return true; }),
            ShellResult::signalled(SIGTERM));
  EXPECT_FALSE(std::filesystem::exists(marker));
}

}  // namespace
}  // namespace flitbar::testing
