// An engine that dies with controls diverted: `restore` or the next run hands them back.
#include "ServedDesk.h"

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
    testing::writeFile(directory / "bindings.json", R"({"bindings": [{"device": 2, "cid": 196, "command": "true"}]})");
  }

  void killWhileDiverting() const {
    RunningProcess engine(FLITBAR_ENGINE_CHILD, {"hold"}, environment());
    ASSERT_TRUE(engine.waitForOutput("started with 2 devices", 20s));
    engine.signal(SIGKILL);
    engine.wait(20s);
    ASSERT_EQ(divertedMouseControls(), std::vector<std::string>{"0x00C4"});
  }

  std::filesystem::path journal() const { return directory / "state" / "flitbar" / "diversions.json"; }
};

TEST_F(KilledEngine, RestoreTheNextRunOrADroppedEngineHandsBackWhatWasLeftDiverted) {
  killWhileDiverting();
  const ProcessOutcome restore = runProcess(FLITBAR_EXECUTABLE, {"restore"}, environment());
  EXPECT_EQ(restore.status, 0) << restore.standardError;
  EXPECT_EQ(restore.standardOutput,
            "device 1 (MX Keys S): released 0, already released 4\n"
            "device 2 (MX Master 3S): released 1, already released 6\n");
  EXPECT_TRUE(divertedMouseControls().empty());
  EXPECT_FALSE(std::filesystem::exists(journal()));

  killWhileDiverting();
  const ProcessOutcome clean = runProcess(FLITBAR_ENGINE_CHILD, {"cycle"}, environment());
  EXPECT_EQ(clean.status, 0) << clean.standardError;
  EXPECT_NE(clean.standardError.find("device 2, cid 196: handed back what an earlier run left diverted"),
            std::string::npos)
      << clean.standardError;
  EXPECT_TRUE(divertedMouseControls().empty());
  EXPECT_FALSE(std::filesystem::exists(journal()));

  // An engine dropped without a stop still hands back what it diverted.
  const ProcessOutcome dropped = runProcess(FLITBAR_ENGINE_CHILD, {"drop"}, environment());
  EXPECT_EQ(dropped.status, 0) << dropped.standardError;
  EXPECT_TRUE(divertedMouseControls().empty());
}

}  // namespace
}  // namespace flitbar
