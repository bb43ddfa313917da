// watch and restore of the built executable against a served virtual receiver.
#include "support/ProcessRunner.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>

namespace flitbar::testing {
namespace {

using namespace std::chrono_literals;

class DiagnosticsEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    server.emplace(
        FLITBAR_VIRTUAL_RECEIVER,
        std::vector<std::string>{"serve", "--rig", std::string(FLITBAR_SOURCE_DIR) + "/src/virtual/rigs/default.json",
                                 "--dir", directory.path().string()});
    ASSERT_TRUE(server->waitForOutput("serving 3 computers", 20s));
  }
  void TearDown() override {
    server->signal(SIGTERM);
    server->wait(20s);
  }

  // The devices of the first computer answer on its receiver.
  std::map<std::string, std::string> environment() const {
    return {{"FLITBAR_VIRTUAL_HID", (directory / "host1").string()}};
  }
  void control(std::vector<std::string> words) const {
    words.insert(words.begin(), {"ctl", "--dir", directory.path().string()});
    const auto outcome = runProcess(FLITBAR_VIRTUAL_RECEIVER, words);
    ASSERT_EQ(outcome.status, 0) << outcome.standardError;
  }
  int divertedMouseControls() const {
    const auto outcome = runProcess(FLITBAR_VIRTUAL_RECEIVER, {"ctl", "--dir", directory.path().string(), "state"});
    const auto state = nlohmann::json::parse(outcome.standardOutput);
    int diverted = 0;
    for (const auto& control : state["devices"][1]["controls"]) diverted += control["diverted"].get<bool>() ? 1 : 0;
    return diverted;
  }

  TemporaryDirectory directory;
  std::optional<RunningProcess> server;
};

TEST_F(DiagnosticsEndToEnd, WatchPrintsPressesLiveAndRestoresOnInterruptOrHangUp) {
  for (const int signal : {SIGINT, SIGHUP}) {
    RunningProcess watch(FLITBAR_EXECUTABLE, {"watch", "-d", "2"}, environment());
    ASSERT_TRUE(watch.waitForOutput("restores them", 20s));
    EXPECT_EQ(divertedMouseControls(), 4);
    for (const auto* step : {"press", "release"}) {
      control({step, "mouse", "196"});
      control({step, "mouse", "83"});
    }
    ASSERT_TRUE(watch.waitForOutput("  press cid 83\n", 20s));
    watch.signal(signal);
    const auto outcome = watch.wait(20s);
    EXPECT_EQ(outcome.status, 0) << outcome.standardError;
    EXPECT_EQ(outcome.standardOutput,
              "watching MX Master 3S (slot 2) \u2014 4 divertable controls; press buttons, ctrl-C restores them\n\n"
              "  press cid 196\n  press cid 83\n");
    EXPECT_EQ(divertedMouseControls(), 0);
  }
}

TEST_F(DiagnosticsEndToEnd, RestoreRepairsWhatAKilledWatchLeftDiverted) {
  {
    RunningProcess watch(FLITBAR_EXECUTABLE, {"watch", "-d", "2"}, environment());
    ASSERT_TRUE(watch.waitForOutput("restores them", 20s));
    watch.signal(SIGKILL);
    watch.wait(20s);
  }
  EXPECT_EQ(divertedMouseControls(), 4);
  const auto restore = runProcess(FLITBAR_EXECUTABLE, {"restore"}, environment());
  EXPECT_EQ(restore.status, 0) << restore.standardError;
  EXPECT_EQ(restore.standardOutput,
            "device 1 (MX Keys S): released 0, already released 4\n"
            "device 2 (MX Master 3S): released 4, already released 3\n");
  EXPECT_EQ(divertedMouseControls(), 0);
}

}  // namespace
}  // namespace flitbar::testing
