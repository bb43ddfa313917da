#include "EngineHarness.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace flitbar::testing {
namespace {

using Lifecycle = EngineSnapshot::Lifecycle;

std::optional<SwitchReport> switchTo(EngineHarness& harness, std::uint8_t host,
                                     SwitchReason reason = SwitchReason::menu()) {
  return harness.run([host, reason](Engine& engine) { return engine.switchAll(host, reason); });
}

TEST(EngineSwitching, NothingIsSentWithoutAReceiverOrToAHostBelowOne) {
  EngineHarness harness;
  EXPECT_EQ(switchTo(harness, 2), std::nullopt) << "before start";
  harness.start();
  EXPECT_EQ(switchTo(harness, 0), std::nullopt);
  harness.drain();
  EXPECT_EQ(harness.receivers.hostWrites, 0);
  EXPECT_TRUE(harness.eventsOf<SwitchReport>().empty() && harness.eventsOf<EngineEvent::ActionFailed>().empty());
}

TEST(EngineSwitching, OnlyDevicesThatReachTheHostMoveAndTheRestAreFoundAgain) {
  auto rig = VirtualDesk::rig("default.json");
  rig.devices.at(1).channels.resize(2);  // the mouse knows hosts 1 and 2 only
  EngineHarness harness({}, VirtualDesk(rig));
  harness.start();

  EXPECT_EQ(switchTo(harness, 3), (SwitchReport{3, {"MX Keys S"}, SwitchReason::menu(), "office-pc"}));
  EXPECT_EQ(harness.desk.computerOf("keyboard"), "host3");
  EXPECT_EQ(harness.desk.computerOf("mouse"), "host1");
  // The receiver is let go with the destination shown, then found again with the mouse.
  harness.waitUntil([&] { return harness.shows(1); });
  const auto published = harness.eventsOf<EngineSnapshot>();
  EXPECT_TRUE(std::any_of(published.begin(), published.end(), [](const EngineSnapshot& snapshot) {
    return snapshot.movingToHost == 3 && snapshot.devices.empty();
  }));
  EXPECT_EQ(harness.lastSnapshot().devices.at(0).name, "MX Master 3S");
}

TEST(EngineSwitching, AFailedWriteKeepsTheConnectionAndIsReportedExceptForTheScreenLock) {
  EngineHarness harness;
  harness.receivers.failHostWrites = true;
  const auto before = harness.start();

  EXPECT_EQ(switchTo(harness, 2, SwitchReason::screenLocked()), std::nullopt);
  EXPECT_EQ(switchTo(harness, 2), std::nullopt);
  harness.waitUntil([&] { return !harness.eventsOf<EngineEvent::ActionFailed>().empty(); });
  EXPECT_EQ(harness.eventsOf<EngineEvent::ActionFailed>(),
            (std::vector<EngineEvent::ActionFailed>{{"Switch devices", HIDPPError::writeFailed(5).description()}}));
  EXPECT_EQ(harness.snapshot().devices, before.devices);
  EXPECT_EQ(harness.receivers.live, 1);
  EXPECT_EQ(harness.receivers.opens, 1);
}

TEST(EngineSwitching, StopDuringASwitchStillReportsTheMoveButSchedulesNoReconnect) {
  EngineHarness harness;
  harness.start();
  harness.receivers.holdHostWrites = true;
  const auto switching = harness.launch([](Engine& engine) { return engine.switchAll(2, SwitchReason::menu()); });
  harness.waitUntil([&] { return harness.receivers.waitingHostWrites == 1; });
  const auto stopped = harness.launch([](Engine& engine) { return engine.stop(); });
  EXPECT_EQ(harness.snapshot().lifecycle, Lifecycle::stopping);
  harness.receivers.holdHostWrites = false;
  harness.waitUntil([&] { return switching->has_value() && stopped->has_value(); });

  EXPECT_EQ(harness.eventsOf<SwitchReport>().size(), 1u);
  EXPECT_EQ(harness.receivers.live, 0);
  EXPECT_EQ(harness.lastSnapshot().lifecycle, Lifecycle::stopped);
  EXPECT_EQ(harness.receivers.opens, 1);
}

// The mouse leaves on its own for host 2.
TEST(EngineFollowing, TheOthersFollowADeviceThatLeftWhenFollowingIsOnAndAFailureIsReported) {
  struct Case {
    const char* name;
    bool follow;
    bool failWrites;
    bool failReconnect;
  };
  const Case cases[] = {{"after a failed reconnect", true, false, true},
                        {"the write fails", true, true, false},
                        {"following off", false, false, false}};
  const std::vector<SwitchReport> followed{
      {2, {"MX Keys S"}, SwitchReason::followLeader("MX Master 3S"), "travel-laptop"}};
  const std::vector<EngineEvent::ActionFailed> failed{{"Follow devices", HIDPPError::writeFailed(5).description()}};
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    EngineHarness harness({.connectionAttempts = 1, .maintenanceInterval = 1ms});
    harness.receivers.failHostWrites = row.failWrites;
    harness.start(row.follow);
    if (row.failReconnect) harness.receivers.failOpens(HIDPPError::noReceiver());
    harness.desk.world->switchHost("mouse", 2);
    harness.waitUntil([&] {
      return !harness.eventsOf<SwitchReport>().empty() || !harness.eventsOf<EngineEvent::ActionFailed>().empty() ||
             harness.logged("Not following: automatic switching is off") == 1;
    });

    const bool moves = row.follow && !row.failWrites;
    EXPECT_EQ(harness.eventsOf<SwitchReport>(), moves ? followed : decltype(followed){});
    EXPECT_EQ(harness.eventsOf<EngineEvent::ActionFailed>(), row.failWrites ? failed : decltype(failed){});
    harness.waitUntil([&] { return harness.desk.computerOf("keyboard") == (moves ? "host2" : "host1"); });
  }
}

}  // namespace
}  // namespace flitbar::testing
