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

TEST(AppHostRouting, HelpFormsAndNoArgumentsPrintTheSameHelp) {
  RecordingApplication application;
  const auto reference = AppHost::routeCLI(application, {"help"}, std::nullopt);
  EXPECT_EQ(reference.status, 0);
  EXPECT_EQ(reference.standardOutput, UniversalCLI::help(application.identity(), application.commandHelp()));
  EXPECT_EQ(reference.standardError, "");
  for (const auto& arguments : std::vector<std::vector<std::string>>{
           {"-h"}, {"--help"}, {"help", "extra", "words"}, {}}) {
    EXPECT_EQ(AppHost::routeCLI(application, arguments, std::nullopt), reference);
  }
}

TEST(AppHostRouting, VersionFormsPrintNameVersionAndBuild) {
  RecordingApplication application;
  for (const char* word : {"version", "--version", "-v"}) {
    EXPECT_EQ(AppHost::routeCLI(application, {word, "ignored"}, std::nullopt),
              (CLIResult{0, "Flitbar 0.3.0 (1)\n", ""}));
  }
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
