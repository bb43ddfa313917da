// The built executable's exit statuses and signal handling.
#include "shell/AppIdentity.h"
#include "support/ProcessRunner.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <thread>

namespace flitbar {
namespace {

using testing::runProcess;

TEST(Entry, StatusesOfHelpVersionDoctorAndUnknownCommands) {
  const auto identity = AppIdentity::running(MainBundle{});
  const std::vector<std::tuple<std::string, int, std::string>> cases{
      {"--help", 0, ""},
      {"-v", 0, ""},
      {"doctor", 1, ""},
      {"List", 2, "error: unknown command: List\n"},
  };
  for (const auto& [word, status, error] : cases) {
    const auto outcome = runProcess(FLITBAR_EXECUTABLE, {word});
    EXPECT_EQ(outcome.status, status) << word;
    EXPECT_EQ(outcome.standardError, error) << word;
  }
  EXPECT_EQ(runProcess(FLITBAR_EXECUTABLE, {"-v"}).standardOutput,
            identity.name + " " + identity.version + " (" + identity.build + ")\n");
}

// True once the process has blocked SIGTERM, i.e. its signal handling is in place.
bool blocksTermination(int pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.starts_with("SigBlk:")) return (std::stoull(line.substr(7), nullptr, 16) >> (SIGTERM - 1)) & 1;
  return false;
}

TEST(Entry, WithoutArgumentsStaysUpUntilAskedToEnd) {
  for (const int signalNumber : {SIGTERM, SIGINT}) {
    testing::RunningProcess process(FLITBAR_EXECUTABLE, {}, {{"QT_QPA_PLATFORM", "offscreen"}});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!blocksTermination(process.pid()) && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(blocksTermination(process.pid()));
    process.signal(signalNumber);
    const auto outcome = process.wait(std::chrono::seconds(30));
    EXPECT_FALSE(outcome.timedOut);
    EXPECT_EQ(outcome.status, 0) << outcome.standardError;
  }
}

}  // namespace
}  // namespace flitbar
