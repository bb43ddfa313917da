#pragma once

#include "support/FakeDesktopServices.h"
#include "support/ProcessRunner.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <optional>

namespace flitbar::testing {

// A flitbar-virtual-receiver serving the default rig in a private folder.
class VirtualWorldFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ensureQtApplication(); }
  void SetUp() override {
    world.emplace(FLITBAR_VIRTUAL_RECEIVER,
                  std::vector<std::string>{"serve", "--rig", FLITBAR_SOURCE_DIR "/src/virtual/rigs/default.json",
                                           "--dir", (folder / "world").string()});
    ASSERT_TRUE(world->waitForOutput("serving", std::chrono::seconds(20)));
  }
  void TearDown() override {
    world->signal(SIGTERM);
    world->wait(std::chrono::seconds(20));
  }

  // Where the receiver of computer `host` answers.
  std::string receiverOf(int host) const { return (folder / "world" / ("host" + std::to_string(host))).string(); }
  void control(const std::vector<std::string>& words) {
    std::vector<std::string> arguments{"ctl", "--dir", (folder / "world").string()};
    arguments.insert(arguments.end(), words.begin(), words.end());
    ASSERT_EQ(runProcess(FLITBAR_VIRTUAL_RECEIVER, arguments).status, 0);
  }
  nlohmann::json devices() {
    return nlohmann::json::parse(
        runProcess(FLITBAR_VIRTUAL_RECEIVER, {"ctl", "--dir", (folder / "world").string(), "state"})
            .standardOutput)["devices"];
  }
  bool everyDeviceOn(int host) {
    for (const auto& device : devices())
      if (device["host"] != host) return false;
    return true;
  }

  TemporaryDirectory folder;
  std::optional<RunningProcess> world;
};

}  // namespace flitbar::testing
