#include "EngineHarness.h"

#include <gtest/gtest.h>

#include <thread>

namespace flitbar::testing {
namespace {

using Lifecycle = EngineSnapshot::Lifecycle;

TEST(EngineLifecycle, WithoutAReceiverTriesFiveTimesThenRunsWithTheLastError) {
  FakeReceiverFactory factory;
  for (int attempt = 0; attempt < 4; ++attempt) factory.pushFailure(HIDPPError::noReceiver());
  factory.pushFailure(HIDPPError::accessDenied());
  EngineHarness harness(factory.function());

  const auto result = harness.start();
  EXPECT_EQ(factory.calls(), 5);
  EXPECT_EQ(result.lifecycle, Lifecycle::running);
  EXPECT_EQ(result.lastError, HIDPPError::accessDenied().description());
  EXPECT_EQ(result.problem, EngineSnapshot::Problem::accessDenied);
  harness.waitOrFail([&] { return harness.snapshots().size() >= 3; });
  const auto published = harness.snapshots();
  ASSERT_EQ(published.size(), 3u);
  EXPECT_EQ(published[0].lifecycle, Lifecycle::starting);
  EXPECT_EQ(published[0].lastError, std::nullopt);
  EXPECT_EQ(published[1].lifecycle, Lifecycle::starting);
  EXPECT_EQ(published[1].lastError, result.lastError);
  EXPECT_EQ(published[2], result);
}

TEST(EngineLifecycle, MaintenanceKeepsReconnectingUntilAReceiverAnswers) {
  FakeReceiverFactory factory;
  EngineHarness harness(factory.function(), {.maintenanceInterval = 2ms});
  harness.start();
  harness.waitOrFail([&] { return factory.calls() >= 15; });
  factory.pushReceiver(receiverOf({keyboard()}));
  harness.waitOrFail([&] { return harness.shows(1); });
  EXPECT_EQ(harness.lastSnapshot()->problem, std::nullopt);
}

TEST(EngineLifecycle, StartOnARunningEngineOnlyReplacesTheSettingsAndHandler) {
  std::vector<EngineEvent> second;  // outlives the engine, which keeps the handler until it stops
  FakeReceiverFactory factory;
  factory.pushReceiver(receiverOf({keyboard()}));
  EngineHarness harness(factory.function());
  const auto first = harness.start();
  harness.drain();

  const auto again = harness.run([&second](Engine& engine) {
    return engine.start(false, 2, {3}, [&second](const EngineEvent& event) { second.push_back(event); });
  });
  EXPECT_EQ(again, first);
  EXPECT_EQ(factory.calls(), 1);
  const auto before = harness.events().size();
  harness.run([](Engine& engine) { return engine.setHiddenHosts({2}); });
  harness.waitOrFail([&] { return !second.empty(); });
  EXPECT_EQ(harness.events().size(), before) << "the old handler hears nothing any more";
}

TEST(EngineLifecycle, StopFromAnyThreadLetsTheReceiverGoAndEndsWithOneStoppedSnapshot) {
  FakeReceiverFactory factory;
  const auto receiver = receiverOf({keyboard(), mouse()});
  factory.pushReceiver(receiver);
  EngineHarness harness(factory.function());
  ASSERT_EQ(harness.start().devices.size(), 2u);
  EXPECT_TRUE(receiver->hasHandler());

  bool inTime = false;
  std::thread([&] { inTime = harness.engine().stopAndWait(std::chrono::seconds(20)); }).join();
  EXPECT_TRUE(inTime);
  harness.stop();
  harness.drain();

  EXPECT_TRUE(receiver->stopped());
  EXPECT_FALSE(receiver->hasHandler());
  const auto published = harness.snapshots();
  EXPECT_EQ(published.back().lifecycle, Lifecycle::stopped);
  EXPECT_TRUE(published.back().devices.empty());
  EXPECT_EQ(std::count_if(published.begin(), published.end(),
                          [](const EngineSnapshot& snapshot) { return snapshot.lifecycle == Lifecycle::stopped; }),
            1);
}

TEST(EngineLifecycle, StopDuringConnectClosesTheSessionThatArrivesLate) {
  FakeReceiverFactory factory;
  const auto late = receiverOf({keyboard()});
  factory.pushReceiver(late);
  factory.closeGate();
  EngineHarness harness(factory.function());

  const auto started = harness.startInBackground();
  harness.waitOrFail([&] { return factory.waiting() == 1; });
  const auto stopped = harness.launch([](Engine& engine) { return engine.stop(); });
  EXPECT_EQ(harness.lifecycle(), Lifecycle::stopping);
  factory.openGate();
  harness.waitOrFail([&] { return *stopped && *started && late->stopped(); });
  harness.drain();

  EXPECT_FALSE(late->hasHandler());
  EXPECT_EQ(harness.events().back(), EngineEvent::snapshot(*harness.lastSnapshot())) << "nothing follows the end";
  EXPECT_EQ(harness.lastSnapshot()->lifecycle, Lifecycle::stopped);
  for (const auto& snapshot : harness.snapshots()) EXPECT_TRUE(snapshot.devices.empty());
  EXPECT_EQ(factory.calls(), 1);
}

TEST(EngineLifecycle, StopDuringAReconnectClosesTheOldAndTheNewReceiver) {
  FakeReceiverFactory factory;
  const auto first = receiverOf({keyboard()});
  const auto second = receiverOf({keyboard()});
  factory.pushReceiver(first);
  factory.pushReceiver(second);
  EngineHarness harness(factory.function());
  harness.start();

  factory.closeGate();
  const auto woke = harness.launch([](Engine& engine) { return engine.handleWake(); });
  harness.waitOrFail([&] { return factory.waiting() == 1; });
  EXPECT_TRUE(first->stopped()) << "the old receiver is let go before the new one is opened";
  const auto stopped = harness.launch([](Engine& engine) { return engine.stop(); });
  EXPECT_EQ(harness.lifecycle(), Lifecycle::stopping);
  factory.openGate();
  harness.waitOrFail([&] { return *woke && *stopped && second->stopped(); });
  EXPECT_EQ(harness.lastSnapshot()->lifecycle, Lifecycle::stopped);
  EXPECT_TRUE(harness.lastSnapshot()->devices.empty());
}

TEST(EngineLifecycle, StartAndStopRepeatedQuicklyLeaveNoReceiverOpen) {
  FakeReceiverFactory factory;
  std::vector<std::shared_ptr<FakeReceiver>> receivers;
  for (int round = 0; round < 12; ++round) {
    receivers.push_back(receiverOf({keyboard()}));
    factory.pushReceiver(receivers.back());
  }
  EngineHarness harness(factory.function(), {.maintenanceInterval = 1ms});
  std::vector<std::shared_ptr<bool>> finished;
  for (int round = 0; round < 10; ++round) {
    finished.push_back(harness.startInBackground());
    finished.push_back(harness.launch([](Engine& engine) { return engine.stop(); }));
  }
  harness.waitOrFail(
      [&] { return std::all_of(finished.begin(), finished.end(), [](const auto& done) { return *done; }); });
  EXPECT_EQ(harness.lifecycle(), Lifecycle::stopped);

  EXPECT_EQ(harness.start().devices.size(), 1u);
  harness.stop();
  ASSERT_LE(factory.calls(), 12);
  for (int index = 0; index < factory.calls(); ++index)
    harness.waitOrFail([&] { return receivers[std::size_t(index)]->stopped(); });
}

TEST(EngineLifecycle, AReconnectLogsTheDevicesOnlyWhenTheyChangeAndKeepsBatteriesByUnitId) {
  auto charged = keyboard(1, 3, 0);
  charged.battery = DeviceBattery{64, true};
  auto moved = keyboard(3, 3, 0);  // same unit id, new slot, reading lost
  moved.unitID = charged.unitID;
  FakeReceiverFactory factory;
  factory.pushReceiver(receiverOf({charged, mouse(2, 2, 0)}));
  factory.pushReceiver(receiverOf({moved, mouse(2, 2, 0)}));
  factory.pushReceiver(receiverOf({moved, mouse(2, 2, 1)}));
  EngineHarness harness(factory.function());
  harness.start();
  EXPECT_EQ(harness.logs().count("Devices: K (host 1), M (host 1)"), 1);

  harness.run([](Engine& engine) { return engine.handleWake(); });
  EXPECT_EQ(harness.logs().countStartingWith("Devices: "), 1);
  const auto now = harness.run([](Engine& engine) { return engine.snapshot(); });
  EXPECT_EQ(now.devices.at(0).index, 3);
  EXPECT_EQ(now.devices.at(0).battery, (DeviceBattery{64, true}));

  harness.run([](Engine& engine) { return engine.handleWake(); });
  EXPECT_EQ(harness.logs().count("Devices: K (host 1), M (host 2)"), 1);
}

TEST(EngineLifecycle, AWakeDuringAReconnectReturnsAtOnceAndAWakeWhileStoppedDoesNothing) {
  FakeReceiverFactory factory;
  EngineHarness stopped(factory.function());
  stopped.run([](Engine& engine) { return engine.handleWake(); });
  EXPECT_EQ(factory.calls(), 0);
  EXPECT_TRUE(stopped.events().empty());

  factory.pushReceiver(receiverOf({keyboard()}));
  factory.pushReceiver(receiverOf({keyboard()}));
  EngineHarness harness(factory.function());
  harness.start();
  factory.closeGate();
  const auto first = harness.launch([](Engine& engine) { return engine.handleWake(); });
  harness.waitOrFail([&] { return factory.waiting() == 1; });
  const auto second = harness.launch([](Engine& engine) { return engine.handleWake(); });
  harness.waitOrFail([&] { return *second; });
  EXPECT_FALSE(*first);
  factory.openGate();
  harness.waitOrFail([&] { return *first && harness.shows(1); });
  EXPECT_EQ(factory.calls(), 2);
}

}  // namespace
}  // namespace flitbar::testing
