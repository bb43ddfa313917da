#include "EngineHarness.h"

#include <gtest/gtest.h>

namespace flitbar::testing {
namespace {

using Lifecycle = EngineSnapshot::Lifecycle;

const HarnessTimings ticking{.maintenanceInterval = 1ms};

TEST(EngineLifecycle, WithoutAReceiverTriesFiveTimesRunsWithTheLastErrorAndKeepsLooking) {
  EngineHarness harness(ticking);
  harness.receivers.failOpens(HIDPPError::noReceiver(), 4);
  harness.receivers.failOpens(HIDPPError::accessDenied());
  harness.receivers.failOpens(HIDPPError::noReceiver(), 15);

  const auto result = harness.start();
  EXPECT_EQ(result.lifecycle, Lifecycle::running);
  EXPECT_EQ(result.lastError, HIDPPError::accessDenied().description()) << "the fifth failure is the last";
  EXPECT_EQ(result.problem, EngineSnapshot::Problem::accessDenied);
  harness.waitUntil([&] { return harness.shows(2); });
  EXPECT_EQ(harness.lastSnapshot().problem, std::nullopt);
}

TEST(EngineLifecycle, AStopWhileAReceiverReopensClosesItWhenItArrives) {
  EngineHarness harness;
  harness.start();
  harness.receivers.gateClosed = true;
  const auto woke = harness.launch([](Engine& engine) { return engine.handleWake(); });
  harness.waitUntil([&] { return harness.receivers.waitingOpens == 1; });
  EXPECT_EQ(harness.receivers.live, 0) << "the old receiver is let go before the new one opens";
  const auto stopped = harness.launch([](Engine& engine) { return engine.stop(); });
  EXPECT_EQ(harness.snapshot().lifecycle, Lifecycle::stopping);
  harness.receivers.gateClosed = false;
  harness.waitUntil([&] { return woke->has_value() && stopped->has_value() && harness.receivers.live == 0; });

  EXPECT_EQ(harness.events().back(), EngineEvent::snapshot(harness.lastSnapshot())) << "nothing follows the end";
  EXPECT_EQ(harness.lastSnapshot().lifecycle, Lifecycle::stopped);
}

// A start that arrives while a stop still releases must neither be ignored nor undone by that stop.
TEST(EngineLifecycle, AStartDuringAStopWaitsForItAndHoldsAtTheEnd) {
  EngineHarness harness;
  harness.start();
  harness.receivers.gateClosed = true;
  harness.launch([](Engine& engine) { return engine.handleWake(); });
  harness.waitUntil([&] { return harness.receivers.waitingOpens == 1; });
  const auto first = harness.launch([](Engine& engine) { return engine.stop(); });
  const auto second = harness.launch([](Engine& engine) { return engine.stop(); });
  const auto restarted = harness.launch(harness.starting());
  EXPECT_EQ(harness.snapshot().lifecycle, Lifecycle::stopping);
  harness.receivers.gateClosed = false;
  harness.waitUntil([&] { return first->has_value() && second->has_value() && restarted->has_value(); });
  harness.waitUntil([&] { return harness.shows(2); });
  EXPECT_EQ(harness.snapshot().lifecycle, Lifecycle::running);
}

TEST(EngineMaintenance, DevicesAnsweringErrorsForThreeTicksGoAndEmptySlotsAreProbedUntilTheyAnswer) {
  EngineHarness harness(ticking);
  harness.start();
  for (const char* device : {"keyboard", "mouse"}) harness.desk.world->setFeatureError(device, 0x0000, 0x09);
  harness.waitUntil([&] { return harness.shows(0); });
  // Either device may reach three first: a tick can ping one of them just before its fault.
  EXPECT_GE(harness.logged("MX Keys S (device 1) missed 3 of 3 pings") +
                harness.logged("MX Master 3S (device 2) missed 3 of 3 pings"),
            1);
  EXPECT_EQ(harness.lastSnapshot().lastError, std::nullopt) << "a receiver without devices is still a connection";

  const int probed = harness.receivers.pings(6);
  harness.waitUntil([&] { return harness.receivers.pings(6) >= probed + 3; });
  harness.desk.world->clearFaults();
  harness.waitUntil([&] { return harness.shows(2); });
}

TEST(EngineMaintenance, AnAnswerToEitherPingOfATickEndsTheSilentStreak) {
  EngineHarness harness(ticking);
  harness.start();
  // Per tick: answered at the second chance, silent, silent, answered at once; never three in a row.
  std::deque<bool> script;
  for (int round = 0; round < 4; ++round) script.insert(script.end(), {false, true, false, false, false, false, true});
  const int before = harness.receivers.pings(1);
  harness.receivers.scriptPings(1, script);
  harness.waitUntil([&] { return harness.receivers.pings(1) >= before + 28 + 3; });
  EXPECT_EQ(harness.receivers.opens, 1);
  EXPECT_EQ(harness.logged("MX Keys S (device 1) missed 3 of 3 pings"), 0);
}

// The mouse arrives in free spin with its wheel diverted to another driver.
TEST(EngineUpkeep, AConnectionSetsRatchetModeKeepingTheTorqueAndARescueGivesTheWheelBackKeepingItsBytes) {
  auto rig = VirtualDesk::rig("default.json");
  rig.devices.at(1).smartShift->mode = 1;
  rig.devices.at(1).wheel->mode = {1, 4, 0};
  EngineHarness harness({}, VirtualDesk(rig));
  EXPECT_FALSE(harness.run([](Engine& engine) { return engine.rescueWheel(); })) << "no receiver yet";
  harness.start();
  EXPECT_EQ(harness.desk.device("mouse").at("smartShift"),
            (nlohmann::json{{"mode", 2}, {"autoDisengage", 0xFF}, {"torque", 50}}));
  EXPECT_TRUE(harness.run([](Engine& engine) { return engine.rescueWheel(); }));
  EXPECT_EQ(harness.desk.device("mouse").at("hiResWheel").at("mode"), (std::vector<int>{0, 4, 0}));
  EXPECT_FALSE(harness.run([](Engine& engine) { return engine.rescueWheel(); }));
}

TEST(EngineUpkeep, ABatteryChangeIsPublishedOnceAndAFailedReadingKeepsTheLastOne) {
  EngineHarness harness(ticking);
  harness.start();
  harness.desk.world->setBattery("keyboard", 40, true);
  harness.waitUntil([&] { return harness.lastSnapshot().devices.at(0).battery == DeviceBattery{40, true}; });
  harness.desk.world->setFeatureError("keyboard", 0x1000, 0x05);
  const int now = harness.receivers.pings(1);
  harness.waitUntil([&] { return harness.receivers.pings(1) >= now + 25; });
  EXPECT_EQ(harness.snapshot().devices.at(0).battery, (DeviceBattery{40, true}));
  EXPECT_EQ(harness.logged("Battery levels refreshed"), 1) << "unchanged readings are not published again";
}

}  // namespace
}  // namespace flitbar::testing
