#include "app/FlitbarApplication.h"
#include "support/FakeProcessViews.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace flitbar {
namespace {

using testing::writeFile;

class DiagnosticChecksTest : public ::testing::Test {
 protected:
  std::vector<DiagnosticCheck> checks() {
    return FlitbarApplication(AppIdentity::running(MainBundle{}), ConfigStore{file.string()}, applications, processes)
        .diagnosticChecks();
  }

  testing::TemporaryDirectory directory;
  std::filesystem::path file = directory / "bindings.json";
  testing::FakeRunningApplications applications;
  testing::FakeProcessTable processes;
};

TEST_F(DiagnosticChecksTest, TheConfigurationCountsItsBindingsOrNumbersEachIssue) {
  const std::string twoIssues = R"({"bindings": [{"device": 1, "cid": 1, "switchToHost": 2}, 5,
                                                 {"device": 1, "cid": 1, "command": "x"}]})";
  const std::vector<std::pair<std::optional<std::string>, std::vector<DiagnosticCheck>>> cases{
      {R"({"bindings": [{"device": 1, "cid": 196, "switchToHost": 2}]})",
       {{"configuration", true, "configuration has 1 valid binding", ""}}},
      {R"({"bindings": []})", {{"configuration", true, "configuration has 0 valid bindings", ""}}},
      {twoIssues,
       {{"configuration 1 (invalidEntry)", false, "", "binding 2: entry must be an object"},
        {"configuration 2 (duplicateMapping)", false, "", "binding 3: device 1, cid 1 is already mapped"}}},
      {std::nullopt, {{"configuration 1 (missing)", false, "", "configuration is missing at " + file.string()}}},
  };
  for (const auto& [text, expected] : cases) {
    std::filesystem::remove(file);
    if (text) writeFile(file, *text);
    const auto found = checks();
    EXPECT_EQ(std::vector(found.begin() + 3, found.end()), expected);
  }
  EXPECT_FALSE(std::filesystem::exists(file)) << "doctor never seeds";
}

TEST_F(DiagnosticChecksTest, LocationIsJudgedOnTheNearestExistingDirectory) {
  file = directory / "not" / "yet" / "bindings.json";
  DiagnosticCheck location{"configuration location", true, "configuration location is writable",
                           "ensure " + directory.path().string() + " is writable"};
  EXPECT_EQ(checks().front(), location);

  std::filesystem::permissions(directory.path(),
                               std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  location.passed = false;
  // Root may write anywhere, so the check runs in a child that gave up root for an ordinary user.
  EXPECT_EXIT(
      {
        if (::geteuid() == 0 && ::setuid(65534) != 0) std::_Exit(2);
        std::_Exit(checks().front() == location ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(DiagnosticChecksTest, CompetingProgramsAreNamedWithHowToStopThem) {
  writeFile(file, R"({"bindings": []})");
  const DiagnosticCheck quiet{"other HID++ tools", true, "no other HID++ tool is running", ""};
  EXPECT_TRUE(checks()[1].passed);
  EXPECT_EQ(checks()[2], quiet);

  applications.running = {{"com.logitech.logioptionsplus", {4242}}};
  EXPECT_EQ(checks()[1], (DiagnosticCheck{"Logi Options+ agent", false,
                                          "Logi Options+ is not running (it would fight for the receiver)",
                                          "quit it, then make it stick: systemctl --user disable --now "
                                          "com.logi.cp-dev-mgr"}));
  // A script shows its interpreter as the process name; other scripts and names that only begin alike do not count.
  processes.entries = {{812, "logid", {"/usr/bin/logid"}},
                       {4100, "python3", {"/usr/bin/python3", "/usr/bin/solaar", "--window=hide"}},
                       {4000, "solaar", {"/usr/bin/solaar"}},
                       {5000, "python3", {"/usr/bin/python3", "-m", "http.server"}},
                       {6000, "solaar-helper", {"/opt/solaar-helper"}}};
  auto busy = quiet;
  busy.passed = false;
  busy.remedy =
      "quit solaar (pids 4000, 4100), then make it stick: remove Solaar from your session's startup applications; "
      "stop logid (pid 812), then make it stick: sudo systemctl disable --now logid";
  EXPECT_EQ(checks()[2], busy);
}

}  // namespace
}  // namespace flitbar
