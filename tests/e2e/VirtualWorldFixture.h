#pragma once

#include "support/ProcessRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

namespace flitbar::testing {

// A flitbar-virtual-receiver serving a rig in a private folder, and the built flitbar run
// against one of its computers.
class VirtualWorldFixture : public ::testing::Test {
 protected:
  void TearDown() override {
    stopWorld();
    std::filesystem::remove_all(folder_);
  }

  void serve(const std::string& rigPath) {
    folder_ =
        std::filesystem::temp_directory_path() / ("flitbar-e2e-" + std::to_string(::getpid()) + "-" +
                                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    world_ = std::make_unique<RunningProcess>(
        FLITBAR_VIRTUAL_RECEIVER,
        std::vector<std::string>{"serve", "--rig", rigPath, "--dir", (folder_ / "world").string()});
    ASSERT_TRUE(world_->waitForOutput("serving", std::chrono::seconds(10)));
  }

  // Writes a rig file into the private folder and serves it.
  void serveRig(const std::string& json) {
    const auto path =
        std::filesystem::temp_directory_path() / ("flitbar-e2e-rig-" + std::to_string(::getpid()) + ".json");
    std::ofstream(path) << json;
    serve(path.string());
    std::filesystem::remove(path);
  }

  void serveDefaultRig() { serve(std::string(FLITBAR_SOURCE_DIR) + "/src/virtual/rigs/default.json"); }

  ProcessOutcome flitbar(const std::vector<std::string>& arguments, const std::string& computer = "host1") {
    return runProcess(FLITBAR_EXECUTABLE, arguments, {{"FLITBAR_VIRTUAL_HID", (folder_ / "world" / computer).string()}},
                      std::chrono::seconds(60));
  }

  ProcessOutcome control(const std::vector<std::string>& command) {
    std::vector<std::string> arguments{"ctl", "--dir", (folder_ / "world").string()};
    arguments.insert(arguments.end(), command.begin(), command.end());
    return runProcess(FLITBAR_VIRTUAL_RECEIVER, arguments);
  }

  void stopWorld() {
    if (!world_) return;
    world_->signal(SIGTERM);
    world_->wait(std::chrono::seconds(10));
    world_.reset();
  }

  // `flitbar list` on `computer` until it shows `devices` rows (devices arrive after a delay).
  std::string listWhenSettled(const std::string& computer, std::size_t devices) {
    std::string text;
    for (int attempt = 0; attempt < 20; ++attempt) {
      text = flitbar({"list"}, computer).standardOutput;
      if (static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) == devices + 2) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
    return text;
  }

 private:
  std::filesystem::path folder_;
  std::unique_ptr<RunningProcess> world_;
};

inline constexpr const char* listHeader =
    "  idx  device                          host\n"
    "  ---  ------------------------------  ----\n";

}  // namespace flitbar::testing
