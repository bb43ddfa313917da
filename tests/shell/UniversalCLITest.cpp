#include "app/FlitbarApplication.h"
#include "shell/UniversalCLI.h"
#include "support/FakeProcessViews.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

const AppIdentity identity = AppIdentity::running(MainBundle{});

TEST(UniversalCLI, HelpAlignsEverySummaryInColumn25WithTheProductTable) {
  testing::FakeRunningApplications applications;
  testing::FakeProcessTable processes;
  const FlitbarApplication application(identity, ConfigStore{"/nonexistent/bindings.json"}, applications, processes);
  const auto text = UniversalCLI::help(identity, application.commandHelp());
  const std::string expected =
      "flitbar \u2014 " + identity.tagline + "\n\n" +
      "  version               print the bundled product version\n"
      "  doctor                check universal and product prerequisites\n"
      "  help                  show this help\n"
      "  list [--json]         paired devices, hosts, batteries; --json for automators\n"
      "  switch <1|2|3>        move every capable device to a host\n"
      "  inventory             every control with its divert state\n"
      "  watch [-d N]          print diverted presses; ctrl-C restores\n"
      "  restore               hand every button back to Linux (exit 1 if any fail)\n"
      "  smartshift [--set N]  inspect or set the wheel threshold (-1 = off)\n"
      "  wheel                 hi-res wheel mode (0 = Linux, 1 = a driver)\n"
      "  battery               battery percentage of each reporting device\n"
      "\nWith no arguments, launches the menubar app.\n";
  EXPECT_EQ(text, expected);
}

TEST(UniversalCLI, HelpWidthFollowsTheWidestCommandCountingCharacters) {
  const auto text = UniversalCLI::help(identity, {{"\u00e9t\u00e9-xxxxx", "wide"}});
  EXPECT_NE(text.find("  version    print the bundled"), std::string::npos);
  EXPECT_NE(text.find("  \u00e9t\u00e9-xxxxx  wide\n"), std::string::npos);
}

TEST(UniversalCLI, DoctorFailsTheBundleCheckOutsideTheInstallation) {
  const auto outside = UniversalCLI::doctor(identity, {}, std::nullopt);
  EXPECT_EQ(outside.status, 1);
  EXPECT_EQ(outside.standardOutput, "\u2717 bundle: run doctor from " FLITBAR_INSTALL_PREFIX "/bin/flitbar\n");
  EXPECT_EQ(outside.standardError, "");

  const auto foreign = UniversalCLI::doctor(identity, {}, std::string("org.example.other"));
  EXPECT_EQ(foreign.status, 1);

  const auto inside = UniversalCLI::doctor(identity, {}, identity.bundleIdentifier);
  EXPECT_EQ(inside, (CLIResult{0, "\u2713 bundle identifier is " + identity.bundleIdentifier + "\n", ""}));
}

TEST(UniversalCLI, DoctorListsBundleThenViolationsThenProductChecks) {
  auto broken = identity;
  broken.version = "1.2";
  broken.build = "0";
  const auto result = UniversalCLI::doctor(
      broken, {{"alpha", true, "alpha is fine", "fix alpha"}, {"beta", false, "", "fix beta"}},
      broken.bundleIdentifier);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.standardOutput,
            "\u2713 bundle identifier is " + broken.bundleIdentifier + "\n"
            "\u2717 version: version: must be semantic x.y.z\n"
            "\u2717 build: build: must be a positive integer\n"
            "\u2713 alpha is fine\n"
            "\u2717 beta: fix beta\n");
}

}  // namespace
}  // namespace flitbar
