#include "shell/UniversalCLI.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

const AppIdentity identity = AppIdentity::running(MainBundle{});

TEST(UniversalCLI, DoctorPrintsBundleThenViolationsThenProductChecks) {
  auto broken = identity;
  broken.version = "1.2";
  const std::vector<DiagnosticCheck> checks{{"alpha", true, "alpha is fine", "fix alpha"},
                                            {"beta", false, "", "fix beta"}};
  const std::string rest =
      "\u2717 version: version: must be semantic x.y.z\n\u2713 alpha is fine\n\u2717 beta: fix beta\n";
  const std::string installed = "\u2713 bundle identifier is " + identity.bundleIdentifier + "\n";
  EXPECT_EQ(UniversalCLI::doctor(broken, checks, identity.bundleIdentifier), (CLIResult{1, installed + rest, ""}));
  EXPECT_EQ(UniversalCLI::doctor(broken, checks, std::nullopt),
            (CLIResult{1, "\u2717 bundle: run doctor from " FLITBAR_INSTALL_PREFIX "/bin/flitbar\n" + rest, ""}));
  EXPECT_EQ(UniversalCLI::doctor(identity, {}, identity.bundleIdentifier), (CLIResult{0, installed, ""}));
  EXPECT_EQ(UniversalCLI::doctor(identity, {}, std::string("org.example.other")).status, 1);
}

}  // namespace
}  // namespace flitbar
