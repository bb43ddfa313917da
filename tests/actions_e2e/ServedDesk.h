#pragma once

#include "support/ProcessRunner.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <optional>

namespace flitbar::testing {

// The default desk served by the built virtual receiver in a folder of its own; the programs
// under test open the first computer's receiver.
class ServedDesk : public ::testing::Test {
 protected:
  void SetUp() override {
    using namespace std::chrono_literals;
    directory =
        std::filesystem::temp_directory_path() / ("flitbar-desk-" + std::to_string(::getpid()) + "-" +
                                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(directory);
    server.emplace(
        FLITBAR_VIRTUAL_RECEIVER,
        std::vector<std::string>{"serve", "--rig", std::string(FLITBAR_SOURCE_DIR) + "/src/virtual/rigs/default.json",
                                 "--dir", directory.string()});
    ASSERT_TRUE(server->waitForOutput("serving 3 computers", 10s));
  }

  void TearDown() override {
    server->signal(SIGTERM);
    server->wait(std::chrono::seconds(10));
    std::filesystem::remove_all(directory);
  }

  std::string receiverFolder() const { return (directory / "host1").string(); }

  void control(const std::vector<std::string>& words) const {
    std::vector<std::string> arguments{"ctl", "--dir", directory.string()};
    arguments.insert(arguments.end(), words.begin(), words.end());
    ASSERT_EQ(runProcess(FLITBAR_VIRTUAL_RECEIVER, arguments).status, 0);
  }

  std::vector<std::string> divertedMouseControls() const {
    const auto outcome = runProcess(FLITBAR_VIRTUAL_RECEIVER, {"ctl", "--dir", directory.string(), "state"});
    const auto state = nlohmann::json::parse(outcome.standardOutput);
    std::vector<std::string> diverted;
    for (const auto& control : state["devices"][1]["controls"])
      if (control["diverted"]) diverted.push_back(control["cid"]);
    return diverted;
  }

  std::filesystem::path directory;
  std::optional<RunningProcess> server;
};

}  // namespace flitbar::testing
