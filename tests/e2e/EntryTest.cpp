#include "support/ProcessRunner.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <thread>

namespace flitbar {
namespace {

using testing::runProcess;

TEST(Entry, HelpVersionAndUnknownCommandsFromTheBuiltExecutable) {
  const auto help = runProcess(FLITBAR_EXECUTABLE, {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.standardOutput.rfind("flitbar \u2014 ", 0), 0u);
  EXPECT_NE(help.standardOutput.find("\n  smartshift [--set N]  inspect or set"), std::string::npos);
  EXPECT_EQ(help.standardError, "");

  const auto version = runProcess(FLITBAR_EXECUTABLE, {"-v"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.standardOutput, "Flitbar 0.3.0 (1)\n");

  const auto unknown = runProcess(FLITBAR_EXECUTABLE, {"List"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_EQ(unknown.standardOutput, help.standardOutput);
  EXPECT_EQ(unknown.standardError, "error: unknown command: List\n");
}

TEST(Entry, DoctorFromTheBuildTreeFailsTheBundleCheck) {
  const auto doctor = runProcess(FLITBAR_EXECUTABLE, {"doctor"});
  EXPECT_EQ(doctor.status, 1);
  EXPECT_EQ(doctor.standardOutput.rfind("\u2717 bundle: run doctor from ", 0), 0u);
}

// True once the process has blocked SIGTERM, i.e. its signal handling is in place.
bool blocksTermination(int pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("SigBlk:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> (SIGTERM - 1)) & 1;
  }
  return false;
}

TEST(Entry, WithoutArgumentsStaysUpUntilAskedToEnd) {
  for (const int signalNumber : {SIGTERM, SIGINT}) {
    testing::RunningProcess process(FLITBAR_EXECUTABLE, {}, {{"QT_QPA_PLATFORM", "offscreen"}});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!blocksTermination(process.pid()) && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    process.signal(signalNumber);
    const auto outcome = process.wait(std::chrono::seconds(20));
    EXPECT_FALSE(outcome.timedOut);
    EXPECT_EQ(outcome.signal, 0);
    EXPECT_EQ(outcome.status, 0) << outcome.standardError;
  }
}

}  // namespace
}  // namespace flitbar
