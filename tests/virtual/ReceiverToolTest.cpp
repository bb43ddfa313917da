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

TEST(ReceiverToolTest, BadRigsAndUsageAreRefusedWithStatusTwoNamingTheFileAndField) {
  flitbar::testing::TemporaryDirectory directory;
  const auto rig = (directory / "rig.json").string();
  const auto world = (directory / "w").string();
  const auto broken = [&](const std::string& rule) { return "error: rig file " + rig + ": " + rule + "\n"; };
  // A sound rig cut off inside its device's hosts, for the rows to finish.
  const std::string upToHosts =
      R"({"computers": [{"id": "a"}], "devices": [{"id": "m", "slot": 2, "name": "M", "hosts": ["a")";
  // A missing file, one that is not JSON and ones that break a rule, each named with its path.
  for (const auto& [text, error] : std::vector<std::pair<std::string, std::string>>{
           {"", "error: cannot read rig file " + rig + "\n"},
           {"{\"computers\": [", "error: rig file " + rig + " is not valid JSON: "},
           {"[]", broken("rig must be an object")},
           {upToHosts + R"(], "currentHost": 2}]})",
            broken("devices[0].currentHost must be an integer from 1 through 1")},
           {upToHosts + R"(], "slots": 1}]})", broken("devices[0].slots is not a known key")},
           {upToHosts + R"(, "b"]}]})", broken("devices[0].hosts[1] must name a computer of the rig or be null")},
           {upToHosts + R"(]}, {"id": "n", "slot": 2, "name": "N", "hosts": ["a"]}]})",
            broken("devices[1].slot repeats an earlier device's slot")},
           {upToHosts + R"(], "smartShift": {"minimum": 30, "maximum": 20}}]})",
            broken("devices[0].smartShift minimum must not exceed maximum")},
           {R"({"computers": [{"id": "../up"}]})", broken("computers[0].id must be letters, digits, '-' or '_'")}}) {
    if (!text.empty()) flitbar::testing::writeFile(rig, text);
    const auto refused = runProcess(tool, {"serve", "--rig", rig, "--dir", world});
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(refused.standardError.starts_with(error)) << refused.standardError;
    EXPECT_FALSE(fs::exists(world));
  }
  EXPECT_EQ(runProcess(tool, {"frobnicate"}).status, 2);

  EXPECT_EQ(runProcess(tool, {"ctl", "--dir", world, "state"}).status, 1) << "no world is served there";
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
    EXPECT_EQ(runProcess(tool, {"ctl", "--dir", world, "switch", "mouse", "7"}).status, 1);

    server.signal(signal);
    EXPECT_EQ(server.wait(20s).status, 0);
    EXPECT_FALSE(fs::exists(directory / "w" / "host2"));
    EXPECT_FALSE(fs::exists(directory / "w" / "control.sock"));
  }
}

}  // namespace
}  // namespace flitbar::virtualhid::testing
