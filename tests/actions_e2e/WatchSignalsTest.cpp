// How `watch` of the built executable ends: every way out leaves nothing diverted, or says so.
#include "ServedDesk.h"

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <thread>

namespace flitbar {
namespace {

using testing::ProcessOutcome;
using testing::RunningProcess;
using namespace std::chrono_literals;

using WatchSignals = testing::ServedDesk;

TEST_F(WatchSignals, EndsCleanlyOnEachSignalAndFailsWhenAReleaseIsNotConfirmed) {
  struct Case {
    int signal;
    bool deviceStopsAnswering;
    int status;
    std::string standardError;
  };
  const Case cases[] = {
      {SIGQUIT, false, 0, ""},
      {SIGTERM, false, 0, ""},
      {SIGINT, true, 1, "error: one or more controls could not be released\n"},
  };
  for (const Case& row : cases) {
    RunningProcess watch(FLITBAR_EXECUTABLE, {"watch", "-d", "2"}, {{"FLITBAR_VIRTUAL_HID", receiverFolder()}});
    ASSERT_TRUE(watch.waitForOutput("restores them\n\n", 10s));
    // Every divertable control but the middle click.
    EXPECT_EQ(divertedMouseControls(), (std::vector<std::string>{"0x0053", "0x0056", "0x00C3", "0x00C4"}));
    if (row.deviceStopsAnswering) control({"fault", "error", "mouse", "0x1B04", "5"});
    watch.signal(row.signal);
    const ProcessOutcome outcome = watch.wait(10s);
    EXPECT_EQ(outcome.status, row.status) << row.signal << " " << outcome.standardError;
    EXPECT_EQ(outcome.standardError, row.standardError);
    control({"fault", "clear"});
    if (row.status == 0) {
      EXPECT_TRUE(divertedMouseControls().empty()) << row.signal;
    }
  }
}

TEST_F(WatchSignals, AReaderThatWentAwayEndsTheWatchWithEverythingReleased) {
  int output[2];
  ASSERT_EQ(::pipe(output), 0);
  ::close(output[0]);
  const std::string receiver = receiverFolder();
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(output[1], STDOUT_FILENO);
    ::setenv("FLITBAR_VIRTUAL_HID", receiver.c_str(), 1);
    ::execl(FLITBAR_EXECUTABLE, FLITBAR_EXECUTABLE, "watch", "-d", "2", nullptr);
    ::_exit(127);
  }
  ::close(output[1]);

  int status = 0;
  bool ended = false;
  for (int poll = 0; poll < 1000 && !(ended = ::waitpid(child, &status, WNOHANG) == child); ++poll)
    std::this_thread::sleep_for(10ms);
  if (!ended) ::kill(child, SIGKILL);
  ASSERT_TRUE(ended);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_TRUE(divertedMouseControls().empty());
}

}  // namespace
}  // namespace flitbar
