// The diagnostic commands of the built executable against a served virtual receiver.
#include "support/ProcessRunner.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <unistd.h>

#include <csignal>
#include <filesystem>

namespace flitbar {
namespace {

namespace fs = std::filesystem;
using testing::ProcessOutcome;
using testing::RunningProcess;
using testing::runProcess;
using namespace std::chrono_literals;

const std::string announcement =
    "watching MX Master 3S (slot 2) \u2014 4 divertable controls; press buttons, ctrl-C restores them\n\n";

class DiagnosticsEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    directory = fs::temp_directory_path() / ("flitbar-diag-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(directory);
    server.emplace(
        FLITBAR_VIRTUAL_RECEIVER,
        std::vector<std::string>{"serve", "--rig", std::string(FLITBAR_SOURCE_DIR) + "/src/virtual/rigs/default.json",
                                 "--dir", directory.string()});
    ASSERT_TRUE(server->waitForOutput("serving 3 computers", 10s));
  }

  void TearDown() override {
    server->signal(SIGTERM);
    server->wait(10s);
    fs::remove_all(directory);
  }

  // The devices of the first computer answer on its receiver.
  std::map<std::string, std::string> environment() const {
    return {{"FLITBAR_VIRTUAL_HID", (directory / "host1").string()}};
  }

  ProcessOutcome flitbar(const std::vector<std::string>& arguments) const {
    return runProcess(FLITBAR_EXECUTABLE, arguments, environment());
  }

  void control(const std::vector<std::string>& words) const {
    std::vector<std::string> arguments{"ctl", "--dir", directory.string()};
    arguments.insert(arguments.end(), words.begin(), words.end());
    const auto outcome = runProcess(FLITBAR_VIRTUAL_RECEIVER, arguments);
    ASSERT_EQ(outcome.status, 0) << outcome.standardError;
  }

  std::vector<std::string> divertedMouseControls() const {
    const auto outcome = runProcess(FLITBAR_VIRTUAL_RECEIVER, {"ctl", "--dir", directory.string(), "state"});
    const auto state = nlohmann::json::parse(outcome.standardOutput);
    std::vector<std::string> diverted;
    for (const auto& control : state["devices"][1]["controls"]) {
      if (control["diverted"]) diverted.push_back(control["cid"]);
    }
    return diverted;
  }

  fs::path directory;
  std::optional<RunningProcess> server;
};

TEST_F(DiagnosticsEndToEnd, WatchPrintsPressesLiveAndRestoresOnInterrupt) {
  for (const int signal : {SIGINT, SIGHUP}) {
    RunningProcess watch(FLITBAR_EXECUTABLE, {"watch", "-d", "2"}, environment());
    ASSERT_TRUE(watch.waitForOutput("restores them", 10s));
    EXPECT_EQ(divertedMouseControls().size(), 4u);
    control({"press", "mouse", "196"});
    control({"press", "mouse", "83"});
    control({"release", "mouse", "196"});
    control({"release", "mouse", "83"});
    ASSERT_TRUE(watch.waitForOutput("  press cid 83\n", 10s));
    watch.signal(signal);
    const ProcessOutcome outcome = watch.wait(10s);
    EXPECT_EQ(outcome.status, 0) << outcome.standardError;
    EXPECT_EQ(outcome.standardOutput, announcement + "  press cid 196\n  press cid 83\n");
    EXPECT_EQ(outcome.standardError, "");
    EXPECT_TRUE(divertedMouseControls().empty());
  }
}

TEST_F(DiagnosticsEndToEnd, RestoreRepairsWhatAKilledWatchLeftDiverted) {
  {
    RunningProcess watch(FLITBAR_EXECUTABLE, {"watch", "-d", "2"}, environment());
    ASSERT_TRUE(watch.waitForOutput("restores them", 10s));
    watch.signal(SIGKILL);
    watch.wait(10s);
  }
  EXPECT_EQ(divertedMouseControls().size(), 4u);
  const ProcessOutcome restore = flitbar({"restore"});
  EXPECT_EQ(restore.status, 0) << restore.standardError;
  EXPECT_EQ(restore.standardOutput,
            "device 1 (MX Keys S): released 0, already released 4\n"
            "device 2 (MX Master 3S): released 4, already released 3\n");
  EXPECT_TRUE(divertedMouseControls().empty());
}

TEST_F(DiagnosticsEndToEnd, InventoryWheelAndSmartShiftAnswer) {
  const ProcessOutcome inventory = flitbar({"inventory"});
  EXPECT_EQ(inventory.status, 0) << inventory.standardError;
  EXPECT_NE(inventory.standardOutput.find("device 2  MX Master 3S\n   0x1B04 at index 0x"), std::string::npos)
      << inventory.standardOutput;
  EXPECT_NE(inventory.standardOutput.find("   cid 196  task 0x00AD  -\n"), std::string::npos);

  const ProcessOutcome wheel = flitbar({"wheel"});
  EXPECT_EQ(wheel.standardOutput,
            "MX Master 3S: wheelMode 00 00 00\n  first byte 0 = native Linux scrolling, 1 = diverted to a driver\n");

  const ProcessOutcome smartshift = flitbar({"smartshift", "--set", "x"});
  EXPECT_EQ(smartshift.status, 2);
  EXPECT_EQ(smartshift.standardError, "error: usage: smartshift [--set N] (-1 disables SmartShift)\n");
}

}  // namespace
}  // namespace flitbar
