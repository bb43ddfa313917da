// An engine that dies with controls diverted: the next run hands them back.
#include "ServedDesk.h"

#include <fstream>

namespace flitbar {
namespace {

using testing::ProcessOutcome;
using testing::RunningProcess;
using testing::runProcess;
using namespace std::chrono_literals;

class KilledEngine : public testing::ServedDesk {
 protected:
  void SetUp() override {
    ServedDesk::SetUp();
    std::ofstream(directory / "bindings.json") << R"({"bindings": [{"device": 2, "cid": 196, "command": "true"}]})";
  }

  std::map<std::string, std::string> environment() const {
    return {{"FLITBAR_VIRTUAL_HID", receiverFolder()},
            {"FLITBAR_CONFIG_PATH", (directory / "bindings.json").string()},
            {"XDG_STATE_HOME", (directory / "state").string()}};
  }

  void killWhileDiverting() const {
    RunningProcess engine(FLITBAR_ENGINE_CHILD, {"hold"}, environment());
    ASSERT_TRUE(engine.waitForOutput("started with 2 devices", 20s));
    engine.signal(SIGKILL);
    engine.wait(10s);
  }
};

TEST_F(KilledEngine, TheNextRunHandsBackWhatAKilledRunLeftDiverted) {
  killWhileDiverting();
  ASSERT_EQ(divertedMouseControls(), std::vector<std::string>{"0x00C4"});
  const auto journal = directory / "state" / "flitbar" / "diversions.json";
  EXPECT_EQ(std::filesystem::status(journal).permissions(), std::filesystem::perms(0600));
  EXPECT_EQ(std::filesystem::status(journal.parent_path()).permissions(), std::filesystem::perms(0700));

  const ProcessOutcome clean = runProcess(FLITBAR_ENGINE_CHILD, {"cycle"}, environment());
  EXPECT_EQ(clean.status, 0) << clean.standardError;
  EXPECT_NE(clean.standardError.find("device 2, cid 196: handed back what an earlier run left diverted"),
            std::string::npos)
      << clean.standardError;
  EXPECT_TRUE(divertedMouseControls().empty());
  EXPECT_FALSE(std::filesystem::exists(journal));
}

TEST_F(KilledEngine, RestoreAlsoVoidsTheKilledRunsRecords) {
  killWhileDiverting();
  const ProcessOutcome restore = runProcess(FLITBAR_EXECUTABLE, {"restore"}, environment());
  EXPECT_EQ(restore.status, 0) << restore.standardError;
  EXPECT_FALSE(std::filesystem::exists(directory / "state" / "flitbar" / "diversions.json"));
}

TEST_F(KilledEngine, AnEngineDroppedWithoutStopReleasesWhatItDiverted) {
  const ProcessOutcome dropped = runProcess(FLITBAR_ENGINE_CHILD, {"drop"}, environment());
  EXPECT_EQ(dropped.status, 0) << dropped.standardError;
  EXPECT_TRUE(divertedMouseControls().empty());
}

}  // namespace
}  // namespace flitbar
