#include "app/FlitbarApplication.h"
#include "support/FakeProcessViews.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace flitbar {
namespace {

using testing::TemporaryDirectory;
using testing::writeFile;

class DiagnosticChecksTest : public ::testing::Test {
 protected:
  std::vector<DiagnosticCheck> checks() {
    FlitbarApplication application(AppIdentity::running(MainBundle{}), ConfigStore{file.string()}, applications,
                                   processes);
    return application.diagnosticChecks();
  }

  DiagnosticCheck locationCheck() const {
    return {"configuration location", true, "configuration location is writable",
            "ensure " + directory.path().string() + " is writable"};
  }

  TemporaryDirectory directory;
  std::filesystem::path file = directory / "bindings.json";
  testing::FakeRunningApplications applications;
  testing::FakeProcessTable processes;
  const DiagnosticCheck agentCheck{"Logi Options+ agent", true,
                                   "Logi Options+ is not running (it would fight for the receiver)",
                                   "quit it, then make it stick: systemctl --user disable --now com.logi.cp-dev-mgr"};
  const DiagnosticCheck toolsCheck{"other HID++ tools", true, "no other HID++ tool is running", ""};
};

TEST_F(DiagnosticChecksTest, ValidFileCountsItsBindings) {
  writeFile(file, R"({"bindings": [{"device": 1, "cid": 196, "switchToHost": 2}]})");
  const std::vector<DiagnosticCheck> one{
      locationCheck(), agentCheck, toolsCheck, {"configuration", true, "configuration has 1 valid binding", ""}};
  EXPECT_EQ(checks(), one);

  writeFile(file, R"({"bindings": []})");
  EXPECT_EQ(checks().back(), (DiagnosticCheck{"configuration", true, "configuration has 0 valid bindings", ""}));
  writeFile(file,
            R"({"bindings": [{"device": 1, "cid": 1, "switchToHost": 2}, {"device": 1, "cid": 2, "command": "x"}]})");
  EXPECT_EQ(checks().back().success, "configuration has 2 valid bindings");
}

TEST_F(DiagnosticChecksTest, EveryIssueIsANumberedFailedCheck) {
  writeFile(file, R"({"bindings": [{"device": 1, "cid": 1, "switchToHost": 2}, 5,
                                  {"device": 1, "cid": 1, "command": "x"}]})");
  auto result = checks();
  ASSERT_EQ(result.size(), 5u);
  EXPECT_EQ(result[3],
            (DiagnosticCheck{"configuration 1 (invalidEntry)", false, "", "binding 2: entry must be an object"}));
  EXPECT_EQ(result[4], (DiagnosticCheck{"configuration 2 (duplicateMapping)", false, "",
                                        "binding 3: device 1, cid 1 is already mapped"}));

  std::filesystem::remove(file);
  result = checks();
  ASSERT_EQ(result.size(), 4u);
  EXPECT_EQ(result[3],
            (DiagnosticCheck{"configuration 1 (missing)", false, "", "configuration is missing at " + file.string()}));
  EXPECT_FALSE(std::filesystem::exists(file));  // doctor never seeds
}

TEST_F(DiagnosticChecksTest, LocationIsJudgedOnTheNearestExistingDirectory) {
  file = directory / "not" / "yet" / "bindings.json";
  EXPECT_EQ(checks().front(), locationCheck());

  std::filesystem::permissions(directory.path(),
                               std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  auto denied = locationCheck();
  denied.passed = false;
  // Root may write anywhere, so the check runs in a child that gave up root for an ordinary user.
  EXPECT_EXIT(
      {
        if (::geteuid() == 0 && ::setuid(65534) != 0) std::_Exit(2);
        std::_Exit(checks().front() == denied ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(DiagnosticChecksTest, VendorAgentUnderEitherIdentifierFails) {
  writeFile(file, R"({"bindings": []})");
  for (const auto* identifier : {"com.logi.cp-dev-mgr", "com.logitech.logioptionsplus"}) {
    applications.running = {{identifier, {4242}}};
    auto expected = agentCheck;
    expected.passed = false;
    EXPECT_EQ(checks()[1], expected) << identifier;
  }
}

TEST_F(DiagnosticChecksTest, OtherHidppToolsAreNamedWithHowToStopThem) {
  processes.entries = {{1, "systemd", {"/sbin/init"}},
                       {812, "logid", {"/usr/bin/logid"}},
                       {4100, "python3", {"/usr/bin/python3", "/usr/bin/solaar", "--window=hide"}},
                       {4000, "solaar", {"/usr/bin/solaar"}},
                       {5000, "python3", {"/usr/bin/python3", "-m", "http.server"}},
                       {6000, "solaar-helper", {"/opt/solaar-helper"}}};
  const auto check = checks()[2];
  EXPECT_EQ(check, (DiagnosticCheck{"other HID++ tools", false, "no other HID++ tool is running",
                                    "quit solaar (pids 4000, 4100), then make it stick: remove Solaar from your "
                                    "session's startup applications; stop logid (pid 812), then make it stick: sudo "
                                    "systemctl disable --now logid"}));
}

}  // namespace
}  // namespace flitbar
