#include "engine/SystemShellExecutor.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <new>
#include <optional>
#include <thread>
#include <vector>

namespace flitbar {

namespace {

using namespace std::chrono_literals;

constexpr auto pollInterval = 20ms;
constexpr auto terminationGrace = 500ms;
constexpr int cancelledSignal = SIGTERM;

std::string systemText(int code) { return std::strerror(code); }

// Owns the spawn attributes and file actions so every exit path destroys them.
class SpawnSetup {
 public:
  SpawnSetup() {
    attributesReady_ = posix_spawnattr_init(&attributes_) == 0;
    actionsReady_ = posix_spawn_file_actions_init(&actions_) == 0;
  }
  ~SpawnSetup() {
    if (attributesReady_) posix_spawnattr_destroy(&attributes_);
    if (actionsReady_) posix_spawn_file_actions_destroy(&actions_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  // 0 or the error code of the first step that failed.
  int prepare() {
    if (!attributesReady_ || !actionsReady_) return ENOMEM;
    sigset_t none;
    sigset_t every;
    sigemptyset(&none);
    sigfillset(&every);
    // A new process group led by the child, so cancelling reaches everything the command starts.
    const short flags = POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
    if (int code = posix_spawnattr_setflags(&attributes_, flags)) return code;
    if (int code = posix_spawnattr_setpgroup(&attributes_, 0)) return code;
    if (int code = posix_spawnattr_setsigmask(&attributes_, &none)) return code;
    if (int code = posix_spawnattr_setsigdefault(&attributes_, &every)) return code;
    if (int code = posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0)) return code;
    // Standard output goes to our standard error, which the child inherits as it is.
    if (int code = posix_spawn_file_actions_adddup2(&actions_, STDERR_FILENO, STDOUT_FILENO)) return code;
    // Linux has no close-everything-on-exec spawn flag; this file action does the same.
    if (int code = posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1)) return code;
    return 0;
  }

  const posix_spawnattr_t* attributes() const { return &attributes_; }
  const posix_spawn_file_actions_t* actions() const { return &actions_; }

 private:
  posix_spawnattr_t attributes_{};
  posix_spawn_file_actions_t actions_{};
  bool attributesReady_ = false;
  bool actionsReady_ = false;
};

// A null-terminated array of C strings over strings this object owns.
class StringArray {
 public:
  explicit StringArray(std::vector<std::string> strings) : strings_(std::move(strings)) {
    pointers_.reserve(strings_.size() + 1);
    for (std::string& text : strings_) pointers_.push_back(text.data());
    pointers_.push_back(nullptr);
  }
  char* const* get() const { return pointers_.data(); }

 private:
  std::vector<std::string> strings_;
  std::vector<char*> pointers_;
};

ShellResult decode(int status) {
  if (WIFSIGNALED(status)) return ShellResult::signalled(WTERMSIG(status));
  return ShellResult::exited(WIFEXITED(status) ? WEXITSTATUS(status) : status);
}

// Waits until `child` is reaped, ignoring its status. Gives up only when waitpid reports that the
// child is no longer ours to wait for.
void reap(pid_t child) {
  int status = 0;
  while (true) {
    const pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child) return;
    if (done == -1 && errno != EINTR) return;
    if (done == 0) std::this_thread::sleep_for(pollInterval);
  }
}

ShellResult terminateGroup(pid_t child) {
  kill(-child, SIGTERM);
  for (auto waited = 0ms; waited < terminationGrace; waited += pollInterval) std::this_thread::sleep_for(pollInterval);
  kill(-child, SIGKILL);
  reap(child);
  return ShellResult::signalled(cancelledSignal);
}

}  // namespace

ShellResult SystemShellExecutor::execute(const std::string& command, const Environment& environment,
                                         const ShouldCancel& shouldCancel) {
  if (shouldCancel()) return ShellResult::signalled(cancelledSignal);
  // sh would see the command cut at the NUL and run something other than what was written.
  if (command.find('\0') != std::string::npos) return ShellResult::notLaunched(systemText(EINVAL));

  SpawnSetup setup;
  if (int code = setup.prepare()) return ShellResult::notLaunched(systemText(code));

  std::optional<StringArray> arguments;
  std::optional<StringArray> variables;
  try {
    arguments.emplace(std::vector<std::string>{"sh", "-c", command});
    variables.emplace(environment);
  } catch (const std::bad_alloc&) {
    return ShellResult::notLaunched(systemText(ENOMEM));
  }

  if (shouldCancel()) return ShellResult::signalled(cancelledSignal);

  pid_t child = 0;
  if (int code = posix_spawn(&child, shell_.c_str(), setup.actions(), setup.attributes(), arguments->get(),
                             variables->get())) {
    return ShellResult::notLaunched(systemText(code));
  }

  while (!shouldCancel()) {
    int status = 0;
    const pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child) return decode(status);
    if (done == -1) {
      if (errno == EINTR) continue;
      return ShellResult::notLaunched(systemText(errno));
    }
    std::this_thread::sleep_for(pollInterval);
  }
  return terminateGroup(child);
}

}  // namespace flitbar
