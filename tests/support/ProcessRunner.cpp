#include "support/ProcessRunner.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

extern char** environ;

namespace flitbar::testing {
namespace {

// This process's environment with `extra` set over it.
std::vector<std::string> environmentWith(const std::map<std::string, std::string>& extra) {
  std::vector<std::string> result;
  for (char** entry = environ; *entry; ++entry) {
    const std::string text(*entry);
    if (!extra.contains(text.substr(0, text.find('=')))) result.push_back(text);
  }
  for (const auto& [key, value] : extra) result.push_back(key + "=" + value);
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
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<std::string> argv{executable};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  auto env = environmentWith(environment);
  const int error =
      posix_spawn(&pid_, executable.c_str(), &actions, nullptr, pointers(argv).data(), pointers(env).data());
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) throw std::runtime_error("cannot start " + executable);
}

RunningProcess::~RunningProcess() {
  if (exited()) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
}

void RunningProcess::signal(int signalNumber) const { kill(pid_, signalNumber); }

bool RunningProcess::exited() {
  int status = 0;
  if (!waitStatus_ && waitpid(pid_, &status, WNOHANG) == pid_) waitStatus_ = status;
  return waitStatus_.has_value();
}

bool RunningProcess::waitForOutput(const std::string& text, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (readFile(out_).find(text) == std::string::npos) {
    // Output written just before exiting is read once more above.
    if (std::chrono::steady_clock::now() >= deadline || exited()) return readFile(out_).find(text) != std::string::npos;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

ProcessOutcome RunningProcess::wait(std::chrono::milliseconds limit) {
  ProcessOutcome outcome;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!exited()) {
    if (std::chrono::steady_clock::now() >= deadline) kill(pid_, SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (WIFEXITED(*waitStatus_)) outcome.status = WEXITSTATUS(*waitStatus_);
  outcome.standardOutput = readFile(out_);
  outcome.standardError = readFile(err_);
  return outcome;
}

}  // namespace flitbar::testing
