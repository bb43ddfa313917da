// The flitbar-virtual-receiver executable: exit statuses, serving until a signal, cleaning up.
#include "WorldScript.h"

#include "support/ProcessRunner.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <csignal>

namespace flitbar::virtualhid::testing {
namespace {

namespace fs = std::filesystem;
using flitbar::testing::runProcess;
using namespace std::chrono_literals;

const std::string tool = FLITBAR_VIRTUAL_RECEIVER;

TEST(ReceiverToolTest, BadRigsAndUsageAreRefusedWithStatusTwo) {
  flitbar::testing::TemporaryDirectory directory;
  const auto rig = (directory / "rig.json").string();
  const auto world = (directory / "w").string();
  // A missing file, one that is not JSON and one that breaks a rule, each named with its path.
  for (const auto& [text, error] : std::vector<std::pair<std::string, std::string>>{
           {"", "error: cannot read rig file " + rig + "\n"},
           {"{\"computers\": [", "error: rig file " + rig + " is not valid JSON: "},
           {R"({"computers": [{"id": "a"}], "devices": [{"id": "m", "slot": 9}]})",
            "error: rig file " + rig + ": devices[0].slot must be an integer from 1 through 6\n"}}) {
    if (!text.empty()) flitbar::testing::writeFile(rig, text);
    const auto refused = runProcess(tool, {"serve", "--rig", rig, "--dir", world});
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(refused.standardError.starts_with(error)) << refused.standardError;
    EXPECT_FALSE(fs::exists(world));
  }
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"serve", "--rig", rig}, {"frobnicate"}, {"ctl", "--dir", world}})
    EXPECT_EQ(runProcess(tool, arguments).status, 2) << arguments[0] << " " << arguments.size();

  const auto unreachable = runProcess(tool, {"ctl", "--dir", world, "state"});
  EXPECT_EQ(unreachable.status, 1);
  EXPECT_TRUE(unreachable.standardError.starts_with("error: cannot connect to the control socket " + world))
      << unreachable.standardError;
}

TEST(ReceiverToolTest, ServesUntilTerminatedAndRemovesItsSockets) {
  for (const int signal : {SIGTERM, SIGINT}) {
    flitbar::testing::TemporaryDirectory directory;
    const auto world = (directory / "w").string();
    flitbar::testing::RunningProcess server(tool, {"serve", "--rig", rigPath("default.json"), "--dir", world});
    ASSERT_TRUE(server.waitForOutput("serving 3 computers", 20s));
    EXPECT_TRUE(fs::is_socket(directory / "w" / "host2" / "receiver.hid"));

    EXPECT_EQ(runProcess(tool, {"ctl", "--dir", world, "battery", "mouse", "42"}).status, 0);
    const auto state = runProcess(tool, {"ctl", "--control", world + "/control.sock", "state"});
    EXPECT_EQ(nlohmann::json::parse(state.standardOutput)["devices"][1]["battery"]["percent"], 42);
    const auto refused = runProcess(tool, {"ctl", "--dir", world, "switch", "mouse", "7"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.standardError, "error: the host must be an integer from 1 through 3, not \"7\"\n");

    server.signal(signal);
    EXPECT_EQ(server.wait(20s).status, 0);
    EXPECT_FALSE(fs::exists(directory / "w" / "host2"));
    EXPECT_FALSE(fs::exists(directory / "w" / "control.sock"));
  }
}

}  // namespace
}  // namespace flitbar::virtualhid::testing
