// The flitbar-virtual-receiver executable: serving, controlling, refusing bad input, stopping.
#include "WorldProbe.h"

#include "support/ProcessRunner.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>

namespace flitbar::virtualhid::testing {
namespace {

namespace fs = std::filesystem;
using flitbar::testing::ProcessOutcome;
using flitbar::testing::RunningProcess;
using flitbar::testing::runProcess;
using namespace std::chrono_literals;

const std::string tool = FLITBAR_VIRTUAL_RECEIVER;

fs::path scratch(const std::string& name) {
  auto path = fs::temp_directory_path() / ("vr-tool-" + std::to_string(::getpid()) + "-" + name);
  fs::remove_all(path);
  return path;
}

TEST(ReceiverToolTest, BadRigsAndUsageAreRefusedWithStatusTwo) {
  const auto directory = scratch("bad");
  fs::create_directories(directory);
  std::ofstream(directory / "rig.json") << R"({"computers": [{"id": "a"}], "devices": [{"id": "m", "slot": 9}]})";

  auto outcome =
      runProcess(tool, {"serve", "--rig", (directory / "rig.json").string(), "--dir", (directory / "w").string()});
  EXPECT_EQ(outcome.status, 2);
  EXPECT_EQ(outcome.standardError, "error: rig file " + (directory / "rig.json").string() +
                                       ": devices[0].slot must be an integer from 1 through 6\n");
  EXPECT_FALSE(fs::exists(directory / "w"));

  outcome = runProcess(tool, {"serve", "--rig", (directory / "rig.json").string()});
  EXPECT_EQ(outcome.status, 2);
  EXPECT_TRUE(outcome.standardError.starts_with("error: serve needs --rig and --dir\n")) << outcome.standardError;
  EXPECT_EQ(runProcess(tool, {"frobnicate"}).status, 2);
  EXPECT_EQ(runProcess(tool, {"ctl", "--dir", directory.string()}).status, 2);

  outcome = runProcess(tool, {"ctl", "--dir", directory.string(), "state"});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_TRUE(outcome.standardError.starts_with("error: cannot connect to the control socket " +
                                                (directory / "control.sock").string()))
      << outcome.standardError;
  fs::remove_all(directory);
}

TEST(ReceiverToolTest, ServesUntilTerminatedAndRemovesItsSockets) {
  for (const int signal : {SIGTERM, SIGINT}) {
    const auto directory = scratch("serve" + std::to_string(signal));
    RunningProcess server(tool, {"serve", "--rig", rigPath("default.json"), "--dir", directory.string()});
    ASSERT_TRUE(server.waitForOutput("serving 3 computers", 10s));
    EXPECT_TRUE(fs::is_socket(directory / "host2" / "receiver.hid"));

    auto outcome = runProcess(tool, {"ctl", "--dir", directory.string(), "battery", "mouse", "42"});
    EXPECT_EQ(outcome.status, 0) << outcome.standardError;
    outcome = runProcess(tool, {"ctl", "--control", (directory / "control.sock").string(), "state"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(nlohmann::json::parse(outcome.standardOutput)["devices"][1]["battery"]["percent"], 42);
    outcome = runProcess(tool, {"ctl", "--dir", directory.string(), "switch", "mouse", "7"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.standardError, "error: the host must be an integer from 1 through 3, not \"7\"\n");

    server.signal(signal);
    const auto finished = server.wait(10s);
    EXPECT_EQ(finished.status, 0);
    EXPECT_FALSE(fs::exists(directory / "host2"));
    EXPECT_FALSE(fs::exists(directory / "control.sock"));
    fs::remove_all(directory);
  }
}

}  // namespace
}  // namespace flitbar::virtualhid::testing
