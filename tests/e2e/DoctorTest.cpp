#include "support/ProcessRunner.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

using testing::runProcess;
using testing::TemporaryDirectory;
using testing::writeFile;

// The product's checks as printed, after the bundle check that a build-tree executable fails.
class DoctorTest : public ::testing::Test {
 protected:
  testing::ProcessOutcome doctor() {
    return runProcess(FLITBAR_EXECUTABLE, {"doctor"}, {{"FLITBAR_CONFIG_PATH", file.string()}});
  }

  std::string expectedOutput(const std::string& configurationLines) const {
    return "\u2717 bundle: run doctor from " FLITBAR_INSTALL_PREFIX
           "/bin/flitbar\n"
           "\u2713 configuration location is writable\n"
           "\u2713 Logi Options+ is not running (it would fight for the receiver)\n"
           "\u2713 no other HID++ tool is running\n" +
           configurationLines;
  }

  TemporaryDirectory directory;
  std::filesystem::path file = directory / "bindings.json";
};

TEST_F(DoctorTest, ValidFile) {
  writeFile(file, R"({"bindings": [{"device": 1, "cid": 196, "switchToHost": 2},
                                   {"device": 2, "cid": 83, "command": "notify-send hi"}]})");
  const auto outcome = doctor();
  EXPECT_EQ(outcome.standardOutput, expectedOutput("\u2713 configuration has 2 valid bindings\n"));
  EXPECT_EQ(outcome.standardError, "");
  EXPECT_EQ(outcome.status, 1);  // the bundle check alone fails
}

TEST_F(DoctorTest, EmptyBindingsListAndEmptyFile) {
  writeFile(file, R"({"_comment": "automatic", "bindings": []})");
  EXPECT_EQ(doctor().standardOutput, expectedOutput("\u2713 configuration has 0 valid bindings\n"));

  writeFile(file, "");
  EXPECT_EQ(doctor().standardOutput,
            expectedOutput("\u2717 configuration 1 (invalidDocument): invalid JSON: parse error at line 1, column 1: "
                           "syntax error while parsing value - unexpected end of input; expected '[', '{', or a "
                           "literal\n"));
}

TEST_F(DoctorTest, MissingFileIsReportedAndNotCreated) {
  const auto outcome = doctor();
  EXPECT_EQ(outcome.standardOutput,
            expectedOutput("\u2717 configuration 1 (missing): configuration is missing at " + file.string() + "\n"));
  EXPECT_EQ(outcome.status, 1);
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(DoctorTest, BrokenFileGivesOneCheckPerIssue) {
  writeFile(file, R"({"bindings": [{"device": 9, "cid": 1, "switchToHost": 1},
                                   {"device": 1, "cid": 196, "switchToHost": 2, "command": "x"},
                                   {"device": 1, "cid": 2, "switchToHost": 1},
                                   {"device": 1, "cid": 2, "switchToHost": 3, "unitId": "aa:bb"}]})");
  EXPECT_EQ(doctor().standardOutput,
            expectedOutput("\u2717 configuration 1 (invalidDevice): binding 1: device must be an integer from 1 "
                           "through 6\n"
                           "\u2717 configuration 2 (actionConflict): binding 2: specify exactly one of switchToHost "
                           "or command\n"
                           "\u2717 configuration 3 (invalidEntry): binding 4: unitId must contain four hexadecimal "
                           "bytes, such as AA:BB:CC:DD\n"));

  writeFile(file, R"({"bindings": {}})");
  EXPECT_EQ(doctor().standardOutput,
            expectedOutput("\u2717 configuration 1 (invalidDocument): top level must be an object containing a "
                           "bindings array\n"));
}

}  // namespace
}  // namespace flitbar
