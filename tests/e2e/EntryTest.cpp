// The built executable's exit statuses.
#include "support/ProcessRunner.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

using testing::runProcess;

TEST(Entry, StatusesOfVersionDoctorUnknownCommandsAndAMissingReceiver) {
  const testing::TemporaryDirectory noReceiver;
  // Without a session bus nothing can be relayed, so the command opens the receiver itself.
  const std::map<std::string, std::string> alone{{"FLITBAR_VIRTUAL_HID", noReceiver.path().string()},
                                                 {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/flitbar-bus"}};
  const std::vector<std::tuple<std::vector<std::string>, int, std::string>> cases{
      {{"-v"}, 0, ""},
      {{"doctor"}, 1, ""},
      {{"List"}, 2, "error: unknown command: List\n"},
      {{"switch", "2"}, 1, "error: No Logitech receiver found. Plug in the Unifying/Bolt dongle.\n"},
  };
  for (const auto& [arguments, status, error] : cases) {
    const auto outcome = runProcess(FLITBAR_EXECUTABLE, arguments, alone);
    EXPECT_EQ(outcome.status, status) << arguments.front();
    EXPECT_EQ(outcome.standardError, error) << arguments.front();
  }
}

}  // namespace
}  // namespace flitbar
