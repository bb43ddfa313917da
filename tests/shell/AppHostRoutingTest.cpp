#include "shell/AppHost.h"
#include "shell/UniversalCLI.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

// A product with one command word and one check, recording what reached it.
class RecordingApplication : public RoutedApplication {
 public:
  const AppIdentity& identity() const override { return identity_; }
  std::vector<CLICommandHelp> commandHelp() const override { return {{"list [--json]", "devices"}}; }
  std::vector<DiagnosticCheck> diagnosticChecks() override {
    ++checksRequested;
    return {{"product", true, "product ready", ""}};
  }
  std::optional<CLIResult> handleCLI(const std::vector<std::string>& arguments) override {
    if (arguments.front() != "list") return std::nullopt;
    handled = arguments;
    return CLIResult{0, "listed\n", ""};
  }
  int runMenubarApplication(int, char**) override { return 0; }

  AppIdentity identity_ = AppIdentity::running(MainBundle{});
  int checksRequested = 0;
  std::vector<std::string> handled;
};

TEST(AppHostRouting, HelpAndVersionFormsPrintTheSameText) {
  RecordingApplication application;
  const auto& identity = application.identity();
  const CLIResult help{0, UniversalCLI::help(identity, application.commandHelp()), ""};
  const CLIResult version{0, identity.name + " " + identity.version + " (" + identity.build + ")\n", ""};
  const std::vector<std::pair<std::vector<std::string>, CLIResult>> cases{
      {{"help"}, help}, {{"-h"}, help},         {{"--help"}, help},       {{"help", "extra"}, help},
      {{}, help},       {{"version"}, version}, {{"--version"}, version}, {{"-v", "ignored"}, version},
  };
  for (const auto& [arguments, expected] : cases)
    EXPECT_EQ(AppHost::routeCLI(application, arguments, std::nullopt), expected);
}

TEST(AppHostRouting, DoctorAsksTheProductForItsChecks) {
  RecordingApplication application;
  const auto result = AppHost::routeCLI(application, {"doctor"}, std::nullopt);
  EXPECT_EQ(application.checksRequested, 1);
  EXPECT_EQ(result.status, 1) << "a bare executable fails the bundle check";
  EXPECT_NE(result.standardOutput.find("\u2713 product ready\n"), std::string::npos);
}

TEST(AppHostRouting, ProductCommandsGetTheWholeArgumentList) {
  RecordingApplication application;
  EXPECT_EQ(AppHost::routeCLI(application, {"list", "--json"}, std::nullopt), (CLIResult{0, "listed\n", ""}));
  EXPECT_EQ(application.handled, (std::vector<std::string>{"list", "--json"}));
}

TEST(AppHostRouting, UnknownWordsAreCaseSensitiveAndExitTwo) {
  RecordingApplication application;
  const auto result = AppHost::routeCLI(application, {"List"}, std::nullopt);
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.standardOutput, UniversalCLI::help(application.identity(), application.commandHelp()));
  EXPECT_EQ(result.standardError, "error: unknown command: List\n");
  EXPECT_TRUE(application.handled.empty());
}

}  // namespace
}  // namespace flitbar
