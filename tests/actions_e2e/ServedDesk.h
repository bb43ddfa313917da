#pragma once

#include "support/ProcessRunner.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>

namespace flitbar::testing {

// The default desk served by the built virtual receiver in a folder of its own; the programs
// under test open the first computer's receiver, read their bindings from the folder and keep
// their state there.
class ServedDesk : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server.waitForOutput("serving 3 computers", std::chrono::seconds(20))); }

  std::map<std::string, std::string> environment() const {
    return {{"FLITBAR_VIRTUAL_HID", (directory / "host1").string()},
            {"FLITBAR_CONFIG_PATH", (directory / "bindings.json").string()},
            {"XDG_STATE_HOME", (directory / "state").string()}};
  }

  void control(const std::vector<std::string>& words) const {
    std::vector<std::string> arguments{"ctl", "--dir", directory.path().string()};
    arguments.insert(arguments.end(), words.begin(), words.end());
    ASSERT_EQ(runProcess(FLITBAR_VIRTUAL_RECEIVER, arguments).status, 0);
  }

  std::vector<std::string> divertedMouseControls() const {
    const auto outcome = runProcess(FLITBAR_VIRTUAL_RECEIVER, {"ctl", "--dir", directory.path().string(), "state"});
    const auto state = nlohmann::json::parse(outcome.standardOutput);
    std::vector<std::string> diverted;
    for (const auto& control : state["devices"][1]["controls"])
      if (control["diverted"]) diverted.push_back(control["cid"]);
    return diverted;
  }

  TemporaryDirectory directory;
  RunningProcess server{FLITBAR_VIRTUAL_RECEIVER,
                        {"serve", "--rig", std::string(FLITBAR_SOURCE_DIR) + "/src/virtual/rigs/default.json", "--dir",
                         directory.path().string()}};
};

}  // namespace flitbar::testing
