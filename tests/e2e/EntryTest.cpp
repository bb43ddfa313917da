// The built executable's command routing and exit statuses.
#include "shell/AppIdentity.h"
#include "support/ProcessRunner.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

using testing::runProcess;

TEST(Entry, HelpAndVersionFormsAnswerAlikeProductWordsGetTheirArgumentsAndOthersFail) {
  const testing::TemporaryDirectory noReceiver;
  // Without a session bus nothing can be relayed, so the command opens the receiver itself.
  const std::map<std::string, std::string> alone{{"FLITBAR_VIRTUAL_HID", noReceiver.path().string()},
                                                 {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/flitbar-bus"}};
  const auto identity = AppIdentity::running(MainBundle{});
  const std::string help = "flitbar \u2014 " + identity.tagline + "\n";
  const std::string version = identity.name + " " + identity.version + " (" + identity.build + ")\n";
  // Arguments, exit status, the start of standard output and all of standard error.
  const std::vector<std::tuple<std::vector<std::string>, int, std::string, std::string>> cases{
      {{"-h"}, 0, help, ""},
      {{"help", "extra"}, 0, help, ""},
      {{"-v", "ignored"}, 0, version, ""},
      {{"list", "--JSON"}, 2, "", "error: usage: list [--json]\n"},
      {{"List"}, 2, help, "error: unknown command: List\n"},
      {{"switch", "2"}, 1, "", "error: No Logitech receiver found. Plug in the Unifying/Bolt dongle.\n"},
  };
  for (const auto& [arguments, status, output, error] : cases) {
    SCOPED_TRACE(::testing::PrintToString(arguments));
    const auto outcome = runProcess(FLITBAR_EXECUTABLE, arguments, alone);
    EXPECT_EQ(outcome.status, status);
    EXPECT_TRUE(outcome.standardOutput.starts_with(output)) << outcome.standardOutput;
    EXPECT_EQ(outcome.standardError, error);
  }
}

}  // namespace
}  // namespace flitbar
