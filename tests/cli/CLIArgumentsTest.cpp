#include "cli/CLITestSupport.h"

namespace flitbar {
namespace {

using testing::FakeEnvironment;

TEST(CLIArguments, EveryViolationPrintsItsUsageWithStatusTwoBeforeTouchingTheReceiver) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{"list", "--JSON"}, "usage: list [--json]"},
      {{"list", "--json", "--json"}, "usage: list [--json]"},
      {{"battery", "now"}, "usage: battery"},
      {{"inventory", "-a"}, "usage: inventory"},
      {{"restore", "all"}, "usage: restore"},
      {{"wheel", "1"}, "usage: wheel"},
      {{"smartshift", "--set"}, "usage: smartshift [--set N] (-1 disables SmartShift)"},
      {{"smartshift", "--set", "-2"}, "usage: smartshift [--set N] (-1 disables SmartShift)"},
      {{"smartshift", "--set", "1.5"}, "usage: smartshift [--set N] (-1 disables SmartShift)"},
      {{"smartshift", "--SET", "5"}, "usage: smartshift [--set N] (-1 disables SmartShift)"},
      {{"smartshift", "--set", "5", "6"}, "usage: smartshift [--set N] (-1 disables SmartShift)"},
      {{"watch", "-d"}, "usage: watch [-d <1...6>]"},
      {{"watch", "-d", "0"}, "usage: watch [-d <1...6>]"},
      {{"watch", "-d", "7"}, "usage: watch [-d <1...6>]"},
      {{"watch", "-D", "2"}, "usage: watch [-d <1...6>]"},
      {{"switch"}, "usage: switch <1|2|3>"},
      {{"switch", "0"}, "usage: switch <1|2|3>"},
      {{"switch", "4"}, "usage: switch <1|2|3>"},
      {{"switch", "two"}, "usage: switch <1|2|3>"},
      {{"switch", "2.0"}, "usage: switch <1|2|3>"},
      {{"switch", " 2"}, "usage: switch <1|2|3>"},
      {{"switch", "2", "3"}, "usage: switch <1|2|3>"},
      {{"switch", "99999999999999999999"}, "usage: switch <1|2|3>"},
  };
  for (const auto& [arguments, usage] : cases) {
    FakeEnvironment fake;
    fake.guiRunning = true;
    EXPECT_EQ(fake.run(arguments), (CommandResult{2, "", "error: " + usage + "\n"})) << arguments.back();
    EXPECT_EQ(fake.opens, 0);
    EXPECT_TRUE(fake.relayed.empty());
  }
}

TEST(CLIArguments, AcceptedFormsRefuseWhileTheApplicationOwnsTheReceiver) {
  const std::string refusal =
      "error: The Flitbar menubar app is running and owns the receiver. Use `flitbar switch <1|2|3>` for host "
      "changes, or quit Flitbar before direct diagnostics and restore.\n";
  for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{{"list"},
                                                                                         {"list", "--json"},
                                                                                         {"battery"},
                                                                                         {"inventory"},
                                                                                         {"restore"},
                                                                                         {"wheel"},
                                                                                         {"smartshift"},
                                                                                         {"smartshift", "--set", "-1"},
                                                                                         {"smartshift", "--set", "+40"},
                                                                                         {"watch"},
                                                                                         {"watch", "-d", "6"}}) {
    FakeEnvironment fake;
    fake.guiRunning = true;
    EXPECT_EQ(fake.run(arguments), (CommandResult{2, "", refusal})) << arguments.front();
    EXPECT_EQ(fake.opens, 0);
  }
}

TEST(CLIArguments, MissingAndUnknownCommands) {
  FakeEnvironment fake;
  EXPECT_EQ(fake.run({}), (CommandResult{2, "", "error: missing command\n"}));
  EXPECT_EQ(fake.run({"List"}), (CommandResult{2, "", "error: unknown command: List\n"}));
  EXPECT_EQ(fake.opens, 0);
}

}  // namespace
}  // namespace flitbar
