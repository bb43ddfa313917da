// How the built programs end: an engine that dies with controls diverted has them handed back by
// `restore` or the next run, and every way out of `watch` leaves nothing diverted, or says so.
#include "ServedDesk.h"

namespace flitbar {
namespace {

using testing::ProcessOutcome;
using testing::RunningProcess;
using testing::runProcess;
using namespace std::chrono_literals;

class KilledEngine : public testing::ServedDesk {
 protected:
  void SetUp() override {
    ServedDesk::SetUp();
    testing::writeFile(directory / "bindings.json", R"({"bindings": [{"device": 2, "cid": 196, "command": "true"}]})");
  }

  void killWhileDiverting() const {
    RunningProcess engine(FLITBAR_ENGINE_CHILD, {"hold"}, environment());
    ASSERT_TRUE(engine.waitForOutput("started with 2 devices", 20s));
    engine.signal(SIGKILL);
    engine.wait(20s);
    ASSERT_EQ(divertedMouseControls(), std::vector<std::string>{"0x00C4"});
  }

  std::filesystem::path journal() const { return directory / "state" / "flitbar" / "diversions.json"; }
};

TEST_F(KilledEngine, RestoreTheNextRunOrADroppedEngineHandsBackWhatWasLeftDiverted) {
  killWhileDiverting();
  const ProcessOutcome restore = runProcess(FLITBAR_EXECUTABLE, {"restore"}, environment());
  EXPECT_EQ(restore.status, 0) << restore.standardError;
  EXPECT_TRUE(divertedMouseControls().empty());
  EXPECT_FALSE(std::filesystem::exists(journal()));

  killWhileDiverting();
  const ProcessOutcome clean = runProcess(FLITBAR_ENGINE_CHILD, {"cycle"}, environment());
  EXPECT_EQ(clean.status, 0) << clean.standardError;
  EXPECT_TRUE(divertedMouseControls().empty());
  EXPECT_FALSE(std::filesystem::exists(journal()));

  // An engine dropped without a stop still hands back what it diverted.
  const ProcessOutcome dropped = runProcess(FLITBAR_ENGINE_CHILD, {"drop"}, environment());
  EXPECT_EQ(dropped.status, 0) << dropped.standardError;
  EXPECT_TRUE(divertedMouseControls().empty());
}

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
