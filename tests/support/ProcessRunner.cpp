#include "support/ProcessRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

extern char** environ;

namespace flitbar::testing {
namespace {

std::vector<std::string> mergedEnvironment(const std::map<std::string, std::string>& extra) {
  std::map<std::string, std::string> merged;
  for (char** entry = environ; *entry; ++entry) {
    const std::string text(*entry);
    const auto equals = text.find('=');
    if (equals != std::string::npos) merged[text.substr(0, equals)] = text.substr(equals + 1);
  }
  for (const auto& [key, value] : extra) merged[key] = value;
  std::vector<std::string> result;
  for (const auto& [key, value] : merged) result.push_back(key + "=" + value);
  return result;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
  std::vector<char*> result;
  for (auto& text : texts) result.push_back(text.data());
  result.push_back(nullptr);
  return result;
}

}  // namespace

RunningProcess::RunningProcess(const std::string& executable, const std::vector<std::string>& arguments,
                               const std::map<std::string, std::string>& environment) {
  int outPipe[2];
  int errPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);

  std::vector<std::string> argv{executable};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  auto env = mergedEnvironment(environment);
  auto argvPointers = pointers(argv);
  auto envPointers = pointers(env);
  const int error = posix_spawn(&pid_, executable.c_str(), &actions, nullptr, argvPointers.data(), envPointers.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(outPipe[1]);
  ::close(errPipe[1]);
  outFd_ = outPipe[0];
  errFd_ = errPipe[0];
  if (error != 0) {
    pid_ = -1;
    throw std::runtime_error("cannot start " + executable);
  }
}

RunningProcess::~RunningProcess() {
  if (pid_ > 0 && !reaped_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (outFd_ >= 0) ::close(outFd_);
  if (errFd_ >= 0) ::close(errFd_);
}

void RunningProcess::signal(int signalNumber) const { kill(pid_, signalNumber); }

void RunningProcess::drain(std::chrono::milliseconds budget) {
  pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
  if (poll(fds, 2, static_cast<int>(budget.count())) <= 0) return;
  char buffer[4096];
  for (int index = 0; index < 2; ++index) {
    if (!(fds[index].revents & (POLLIN | POLLHUP))) continue;
    const auto count = ::read(fds[index].fd, buffer, sizeof buffer);
    if (count > 0) (index == 0 ? out_ : err_).append(buffer, static_cast<std::size_t>(count));
    if (count == 0) {
      ::close(fds[index].fd);
      (index == 0 ? outFd_ : errFd_) = -1;
    }
  }
}

bool RunningProcess::waitForOutput(const std::string& text, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (out_.find(text) == std::string::npos) {
    if (std::chrono::steady_clock::now() >= deadline || (outFd_ < 0 && errFd_ < 0)) return false;
    drain(std::chrono::milliseconds(20));
  }
  return true;
}

ProcessOutcome RunningProcess::wait(std::chrono::milliseconds limit) {
  ProcessOutcome outcome;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  while (true) {
    drain(std::chrono::milliseconds(10));
    if (waitpid(pid_, &status, WNOHANG) == pid_) break;
    if (std::chrono::steady_clock::now() >= deadline) {
      outcome.timedOut = true;
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      break;
    }
  }
  reaped_ = true;
  // A descendant that kept the pipes open must not hang the test.
  const auto drainDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while ((outFd_ >= 0 || errFd_ >= 0) && std::chrono::steady_clock::now() < drainDeadline)
    drain(std::chrono::milliseconds(100));
  outcome.standardOutput = out_;
  outcome.standardError = err_;
  if (WIFEXITED(status)) outcome.status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) outcome.signal = WTERMSIG(status);
  return outcome;
}

ProcessOutcome runProcess(const std::string& executable, const std::vector<std::string>& arguments,
                          const std::map<std::string, std::string>& environment, std::chrono::milliseconds limit) {
  RunningProcess process(executable, arguments, environment);
  return process.wait(limit);
}

}  // namespace flitbar::testing
