#include "EngineHarness.h"

#include <gtest/gtest.h>

namespace flitbar::testing {
namespace {

const EngineHarness::Timings ticking{.maintenanceInterval = 1ms};

TEST(EngineMaintenance, DevicesAnsweringErrorsForThreeTicksGoAndEmptySlotsAreProbedUntilTheyAnswer) {
  EngineHarness harness(ticking);
  harness.start();
  for (const char* device : {"keyboard", "mouse"}) harness.desk.world->setFeatureError(device, 0x0000, 0x09);
  harness.waitUntil([&] { return harness.shows(0); });
  EXPECT_EQ(harness.logged("MX Keys S (device 1) missed 3 of 3 pings"), 1);
  EXPECT_EQ(harness.logged("MX Master 3S (device 2) missed 3 of 3 pings"), 1);
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

TEST(EngineMaintenance, OnlyTheMissingDeviceABindingNamesIsLookedFor) {
  EngineHarness harness(ticking);
  harness.writeBindings({{{"device", 5}, {"cid", 196}, {"switchToHost", 2}}});
  ASSERT_EQ(harness.start().bindings.size(), 1u);
  const int slot5 = harness.receivers.pings(5);
  const int slot6 = harness.receivers.pings(6);

  harness.waitUntil([&] { return harness.receivers.pings(5) >= slot5 + 12; });
  EXPECT_EQ(harness.receivers.pings(6), slot6);
  EXPECT_EQ(harness.receivers.opens, 1);
}

TEST(EngineMaintenance, BatteryReadingsArePublishedOnlyWhenTheyChangeAndNeverCleared) {
  EngineHarness harness(ticking);
  harness.start();
  harness.drain();
  const auto published = harness.eventsOf<EngineSnapshot>().size();
  const auto ticks = [&harness](int count) {
    const int now = harness.receivers.pings(1);
    harness.waitUntil([&] { return harness.receivers.pings(1) >= now + count; });
  };

  ticks(25);
  harness.drain();
  EXPECT_EQ(harness.logged("Battery levels refreshed"), 0);
  EXPECT_EQ(harness.eventsOf<EngineSnapshot>().size(), published);

  harness.desk.world->setBattery("keyboard", 40, true);
  harness.waitUntil([&] { return harness.lastSnapshot().devices.at(0).battery == DeviceBattery{40, true}; });
  EXPECT_EQ(harness.logged("Battery levels refreshed"), 1);

  harness.desk.world->setFeatureError("keyboard", 0x1000, 0x05);
  ticks(25);
  EXPECT_EQ(harness.snapshot().devices.at(0).battery, (DeviceBattery{40, true}));
}

}  // namespace
}  // namespace flitbar::testing
