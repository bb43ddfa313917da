#include "cli/CLI.h"
#include "cli/CommandResultPrinting.h"
#include "protocol/HIDPPError.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

// With the application running, every command word ends before the receiver or the relay is touched.
CommandResult runBesideTheApplication(const std::vector<std::string>& arguments) {
  return CLI::run(arguments, {[]() -> OpenedReceiver {
                                ADD_FAILURE() << "opened the receiver";
                                throw HIDPPError::noReceiver();
                              },
                              [] { return true; },
                              [](std::uint8_t) {
                                ADD_FAILURE() << "relayed a request";
                                return false;
                              }});
}

TEST(CLIArguments, ViolationsPrintTheirUsageAndAcceptedFormsDeferToTheApplication) {
  const std::string owned =
      "The Flitbar menubar app is running and owns the receiver. Use `flitbar switch <1|2|3>` for host changes, or "
      "quit Flitbar before direct diagnostics and restore.";
  const std::string smartshift = "usage: smartshift [--set N] (-1 disables SmartShift)";
  const std::string watch = "usage: watch [-d <1...6>]";
  const std::string switching = "usage: switch <1|2|3>";
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{}, "missing command"},
      {{"List"}, "unknown command: List"},
      {{"list", "--JSON"}, "usage: list [--json]"},
      {{"list", "--json", "--json"}, "usage: list [--json]"},
      {{"battery", "now"}, "usage: battery"},
      {{"inventory", "-a"}, "usage: inventory"},
      {{"restore", "all"}, "usage: restore"},
      {{"wheel", "1"}, "usage: wheel"},
      {{"smartshift", "--set"}, smartshift},
      {{"smartshift", "--set", "-2"}, smartshift},
      {{"smartshift", "--set", "1.5"}, smartshift},
      {{"smartshift", "--SET", "5"}, smartshift},
      {{"smartshift", "--set", "5", "6"}, smartshift},
      {{"watch", "-d"}, watch},
      {{"watch", "-d", "0"}, watch},
      {{"watch", "-d", "7"}, watch},
      {{"watch", "-D", "2"}, watch},
      {{"switch"}, switching},
      {{"switch", "0"}, switching},
      {{"switch", "4"}, switching},
      {{"switch", "two"}, switching},
      {{"switch", "2.0"}, switching},
      {{"switch", " 2"}, switching},
      {{"switch", "2", "3"}, switching},
      {{"switch", "99999999999999999999"}, switching},
      {{"list"}, owned},
      {{"list", "--json"}, owned},
      {{"battery"}, owned},
      {{"inventory"}, owned},
      {{"restore"}, owned},
      {{"wheel"}, owned},
      {{"smartshift"}, owned},
      {{"smartshift", "--set", "-1"}, owned},
      {{"smartshift", "--set", "+40"}, owned},
      {{"watch"}, owned},
      {{"watch", "-d", "6"}, owned},
  };
  for (const auto& [arguments, error] : cases) {
    SCOPED_TRACE(::testing::PrintToString(arguments));
    EXPECT_EQ(runBesideTheApplication(arguments), (CommandResult{2, "", "error: " + error + "\n"}));
  }
}

}  // namespace
}  // namespace flitbar
