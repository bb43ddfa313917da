#include "cli/CLI.h"
#include "protocol/HIDPPError.h"
#include "support/VirtualDesk.h"

#include <gtest/gtest.h>

namespace flitbar::testing {
namespace {

TEST(DiagnosticCommands, InventoryListsEveryControlWithItsStates) {
  VirtualDesk desk;
  {
    // Another program diverted the gesture button persistently and remapped it.
    const auto opened = desk.open();
    opened.session->transport().exchange(2, *opened.devices.at(1).reprogFeature, 3, {0x00, 0xC3, 0x0F, 0x00, 0xC4},
                                         true, 0.8);
    opened.session->stop();
  }
  const auto result = CLI::run({"inventory"}, desk.environment());
  ASSERT_EQ(result.status, 0) << result.standardError;
  for (const char* line : {", 4 controls\n   cid 209  task 0x00AE  -\n", "   cid 110  task 0x0043  not divertable\n",
                           "   cid 195  task 0x00A9  DIVERTED, persistent, remap->0x00C4\n"}) {
    EXPECT_NE(result.standardOutput.find(line), std::string::npos) << line << "\nin\n" << result.standardOutput;
  }
}

TEST(DiagnosticCommands, FailuresEndWithAnErrorLineAndStatusOne) {
  VirtualDesk desk;
  desk.world->setFeatureError("mouse", 0x1B04, 0x05);
  const auto restore = CLI::run({"restore"}, desk.environment());
  EXPECT_EQ(restore.status, 1);
  EXPECT_EQ(restore.standardOutput,
            "device 1 (MX Keys S): released 0, already released 4\n"
            "device 2 (MX Master 3S): released 0, already released 0, failed 1 [could not enumerate controls: " +
                HIDPPError::deviceError(2, 0x05).description() + "]\n");
  EXPECT_EQ(restore.standardError, "error: one or more controls could not be released\n");

  const auto watch = CLI::run({"watch"}, VirtualDesk("no-change-host.json").environment());
  EXPECT_EQ(watch.status, 1);
  EXPECT_EQ(watch.standardError, "error: no 0x1B04\n");
}

}  // namespace
}  // namespace flitbar::testing
