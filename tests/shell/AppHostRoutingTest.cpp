#include "shell/AppHost.h"
#include "shell/UniversalCLI.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

// A product whose one command word echoes the arguments it was given.
class EchoingApplication : public RoutedApplication {
 public:
  const AppIdentity& identity() const override { return identity_; }
  std::vector<CLICommandHelp> commandHelp() const override { return {{"list [--json]", "devices"}}; }
  std::vector<DiagnosticCheck> diagnosticChecks() override { return {}; }
  std::optional<CLIResult> handleCLI(const std::vector<std::string>& arguments) override {
    if (arguments.front() != "list") return std::nullopt;
    std::string echo;
    for (const auto& argument : arguments) echo += argument + "\n";
    return CLIResult{0, echo, ""};
  }
  int runMenubarApplication(int, char**) override { return 0; }

  AppIdentity identity_ = AppIdentity::running(MainBundle{});
};

TEST(AppHostRouting, HelpAndVersionFormsAnswerAlikeProductWordsGetEveryArgumentAndOthersExitTwo) {
  EchoingApplication application;
  const auto& identity = application.identity();
  const auto helpText = UniversalCLI::help(identity, application.commandHelp());
  const CLIResult help{0, helpText, ""};
  const CLIResult version{0, identity.name + " " + identity.version + " (" + identity.build + ")\n", ""};
  const std::vector<std::pair<std::vector<std::string>, CLIResult>> cases{
      {{"help"}, help},
      {{"-h"}, help},
      {{"--help"}, help},
      {{"help", "extra"}, help},
      {{}, help},
      {{"version"}, version},
      {{"--version"}, version},
      {{"-v", "ignored"}, version},
      {{"list", "--json"}, {0, "list\n--json\n", ""}},
      {{"List"}, {2, helpText, "error: unknown command: List\n"}},
  };
  for (const auto& [arguments, expected] : cases)
    EXPECT_EQ(AppHost::routeCLI(application, arguments, std::nullopt), expected) << ::testing::PrintToString(arguments);
}

}  // namespace
}  // namespace flitbar
