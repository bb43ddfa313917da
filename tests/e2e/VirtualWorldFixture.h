#pragma once

#include "support/ProcessRunner.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <string>
#include <thread>

namespace flitbar::testing {

// A flitbar-virtual-receiver serving the default rig in a private folder, and the built flitbar
// run against one of its computers.
class VirtualWorldFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    world_ = std::make_unique<RunningProcess>(
        FLITBAR_VIRTUAL_RECEIVER,
        std::vector<std::string>{"serve", "--rig", std::string(FLITBAR_SOURCE_DIR) + "/src/virtual/rigs/default.json",
                                 "--dir", worldPath()});
    ASSERT_TRUE(world_->waitForOutput("serving", std::chrono::seconds(20)));
  }

  void TearDown() override { stopWorld(); }

  std::string worldPath() const { return (folder_ / "world").string(); }

  ProcessOutcome flitbar(const std::vector<std::string>& arguments, const std::string& computer = "host1") {
    return runProcess(FLITBAR_EXECUTABLE, arguments, {{"FLITBAR_VIRTUAL_HID", worldPath() + "/" + computer}},
                      std::chrono::seconds(60));
  }

  void control(const std::vector<std::string>& command) {
    std::vector<std::string> arguments{"ctl", "--dir", worldPath()};
    arguments.insert(arguments.end(), command.begin(), command.end());
    ASSERT_EQ(runProcess(FLITBAR_VIRTUAL_RECEIVER, arguments).status, 0);
  }

  void stopWorld() {
    if (!world_) return;
    world_->signal(SIGTERM);
    world_->wait(std::chrono::seconds(20));
    world_.reset();
  }

  // `flitbar list` on `computer` until it shows `rows` lines (devices arrive after a delay).
  std::string listWhenSettled(const std::string& computer, std::size_t rows) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    std::string text = flitbar({"list"}, computer).standardOutput;
    while (static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) != rows &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      text = flitbar({"list"}, computer).standardOutput;
    }
    return text;
  }

 private:
  TemporaryDirectory folder_;
  std::unique_ptr<RunningProcess> world_;
};

inline constexpr const char* listHeader =
    "  idx  device                          host\n"
    "  ---  ------------------------------  ----\n";

}  // namespace flitbar::testing
