// How `watch` of the built executable ends: every way out leaves nothing diverted, or says so.
#include "ServedDesk.h"

namespace flitbar {
namespace {

using testing::ProcessOutcome;
using testing::RunningProcess;
using namespace std::chrono_literals;

using WatchSignals = testing::ServedDesk;

TEST_F(WatchSignals, PrintsPressesUntilASignalThenReleasesAndFailsWhenAReleaseIsNotConfirmed) {
  struct Case {
    int signal;
    bool deviceStopsAnswering;
    int status;
    std::string standardError;
  };
  for (const auto& [signal, deviceStopsAnswering, status, standardError] : std::vector<Case>{
           {SIGINT, false, 0, ""},
           {SIGHUP, false, 0, ""},
           {SIGQUIT, false, 0, ""},
           {SIGTERM, false, 0, ""},
           {SIGINT, true, 1, "error: one or more controls could not be released\n"},
       }) {
    RunningProcess watch(FLITBAR_EXECUTABLE, {"watch", "-d", "2"}, environment());
    ASSERT_TRUE(watch.waitForOutput("restores them\n\n", 20s));
    // Every divertable control but the middle click.
    EXPECT_EQ(divertedMouseControls(), (std::vector<std::string>{"0x0053", "0x0056", "0x00C3", "0x00C4"}));
    for (const auto* step : {"press", "release"}) {
      control({step, "mouse", "196"});
      control({step, "mouse", "83"});
    }
    ASSERT_TRUE(watch.waitForOutput("  press cid 83\n", 20s));
    if (deviceStopsAnswering) control({"fault", "error", "mouse", "0x1B04", "5"});
    watch.signal(signal);
    const ProcessOutcome outcome = watch.wait(20s);
    EXPECT_EQ(outcome.status, status) << signal << " " << outcome.standardError;
    EXPECT_EQ(outcome.standardError, standardError);
    EXPECT_EQ(outcome.standardOutput,
              "watching MX Master 3S (slot 2) \u2014 4 divertable controls; press buttons, ctrl-C restores them\n\n"
              "  press cid 196\n  press cid 83\n");
    control({"fault", "clear"});
    if (status == 0) {
      EXPECT_TRUE(divertedMouseControls().empty()) << signal;
    }
  }
}

TEST_F(WatchSignals, AReaderThatWentAwayEndsTheWatchWithEverythingReleased) {
  RunningProcess watch("/bin/bash",
                       {"-c", "\"$0\" watch -d 2 | :; echo \"status ${PIPESTATUS[0]}\"", FLITBAR_EXECUTABLE},
                       environment());
  // The reader may be gone only after the first line: each press makes the watch write again.
  bool ended = false;
  for (int attempt = 0; attempt < 60 && !(ended = watch.waitForOutput("status ", 500ms)); ++attempt) {
    control({"press", "mouse", "196"});
    control({"release", "mouse", "196"});
  }
  ASSERT_TRUE(ended);
  EXPECT_EQ(watch.wait(20s).standardOutput, "status 1\n") << "not ended by SIGPIPE, and released";
  EXPECT_TRUE(divertedMouseControls().empty());
}

}  // namespace
}  // namespace flitbar
