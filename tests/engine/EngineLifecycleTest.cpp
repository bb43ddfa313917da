#include "EngineHarness.h"

#include <gtest/gtest.h>

namespace flitbar::testing {
namespace {

using Lifecycle = EngineSnapshot::Lifecycle;

std::shared_ptr<FakeReceiver> receiverWith(std::vector<DeviceInfo> devices) {
  std::vector<FakeDevice> fakes;
  for (auto& device : devices) fakes.push_back(fakeDevice(std::move(device)));
  return std::make_shared<FakeReceiver>(std::move(fakes));
}

TEST(EngineLifecycle, WithoutAReceiverTriesFiveTimesThenRunsWithTheError) {
  FakeReceiverFactory factory;
  EngineHarness harness(factory.function());

  const auto result = harness.start();

  EXPECT_EQ(factory.calls(), 5);
  EXPECT_EQ(result.lifecycle, Lifecycle::running);
  EXPECT_EQ(result.lastError, HIDPPError::noReceiver().description());
  EXPECT_EQ(result.problem, EngineSnapshot::Problem::noReceiver);
  harness.waitOrFail([&] { return harness.snapshots().size() >= 3; });
  const auto published = harness.snapshots();
  ASSERT_EQ(published.size(), 3u);
  EXPECT_EQ(published[0].lifecycle, Lifecycle::starting);
  EXPECT_EQ(published[0].lastError, std::nullopt);
  EXPECT_EQ(published[1].lifecycle, Lifecycle::starting);
  EXPECT_EQ(published[1].lastError, result.lastError);
  EXPECT_TRUE(published[1].devices.empty());
  EXPECT_EQ(published[2], result);
}

TEST(EngineLifecycle, TheLastFailureDecidesTheProblem) {
  FakeReceiverFactory factory;
  for (int attempt = 0; attempt < 4; ++attempt) factory.pushFailure(HIDPPError::noReceiver());
  factory.pushFailure(HIDPPError::accessDenied());
  EngineHarness harness(factory.function());

  const auto result = harness.start();
  EXPECT_EQ(result.problem, EngineSnapshot::Problem::accessDenied);
  EXPECT_EQ(result.lastError, HIDPPError::accessDenied().description());
}

TEST(EngineLifecycle, MaintenanceKeepsReconnectingWhileNoReceiverAnswersAndRecoversWhenOneDoes) {
  FakeReceiverFactory factory;
  EngineHarness harness(factory.function(), {.maintenanceInterval = 2ms});
  harness.start();

  harness.waitOrFail([&] { return factory.calls() >= 15; });
  const auto receiver = receiverWith({keyboard()});
  factory.pushReceiver(receiver);
  harness.waitOrFail([&] {
    const auto last = harness.lastSnapshot();
    return last && last->devices.size() == 1 && !last->lastError;
  });
  EXPECT_EQ(harness.lastSnapshot()->lifecycle, Lifecycle::running);
  EXPECT_EQ(harness.lastSnapshot()->problem, std::nullopt);
}

TEST(EngineLifecycle, StartOnARunningEngineOnlyReplacesTheSettingsAndHandler) {
  std::vector<EngineEvent> second;  // outlives the engine, which keeps the handler until it stops
  FakeReceiverFactory factory;
  factory.pushReceiver(receiverWith({keyboard()}));
  EngineHarness harness(factory.function());
  const auto first = harness.start();
  ASSERT_EQ(first.lifecycle, Lifecycle::running);
  harness.drain();

  const auto again = harness.run([&second](Engine& engine) {
    return engine.start(false, 2, {3}, [&second](const EngineEvent& event) { second.push_back(event); });
  });
  EXPECT_EQ(again, first);
  EXPECT_EQ(factory.calls(), 1);

  const auto before = harness.events().size();
  harness.run([](Engine& engine) { return engine.setHiddenHosts({2}); });
  harness.waitOrFail([&] { return !second.empty(); });
  EXPECT_EQ(harness.events().size(), before) << "the old handler must not hear anything any more";
  ASSERT_NE(second.back().asSnapshot(), nullptr);
}

TEST(EngineLifecycle, StopReleasesTheReceiverAndEndsWithAStoppedSnapshotAndASecondStopDoesNothing) {
  FakeReceiverFactory factory;
  const auto receiver = receiverWith({keyboard(), mouse()});
  factory.pushReceiver(receiver);
  EngineHarness harness(factory.function());
  const auto running = harness.start();
  ASSERT_EQ(running.devices.size(), 2u);
  EXPECT_TRUE(receiver->hasHandler());

  harness.stop();
  harness.stop();
  harness.drain();

  EXPECT_TRUE(receiver->stopped());
  EXPECT_FALSE(receiver->hasHandler());
  const auto published = harness.snapshots();
  ASSERT_FALSE(published.empty());
  EXPECT_EQ(published.back().lifecycle, Lifecycle::stopped);
  EXPECT_TRUE(published.back().devices.empty());
  EXPECT_EQ(std::count_if(published.begin(), published.end(),
                          [](const EngineSnapshot& snapshot) { return snapshot.lifecycle == Lifecycle::stopped; }),
            1);
  EXPECT_EQ(harness.run([](Engine& engine) { return engine.snapshot(); }).lifecycle, Lifecycle::stopped);
}

TEST(EngineLifecycle, StopDuringConnectClosesTheSessionThatArrivesLate) {
  FakeReceiverFactory factory;
  const auto late = receiverWith({keyboard()});
  factory.pushReceiver(late);
  factory.closeGate();
  EngineHarness harness(factory.function());

  const auto started = harness.startInBackground();
  harness.waitOrFail([&] { return factory.waiting() == 1; });
  const auto stopped = harness.launch([](Engine& engine) { return engine.stop(); });
  EXPECT_EQ(harness.lifecycle(), Lifecycle::stopping);
  factory.openGate();
  harness.waitOrFail([&] { return *stopped && *started; });

  harness.waitOrFail([&] { return late->stopped(); });
  EXPECT_FALSE(late->hasHandler());
  harness.drain();
  const auto last = harness.lastSnapshot();
  ASSERT_TRUE(last);
  EXPECT_EQ(last->lifecycle, Lifecycle::stopped);
  EXPECT_TRUE(last->devices.empty());
  EXPECT_EQ(harness.events().back(), EngineEvent::snapshot(*last)) << "nothing may follow the final snapshot";
  for (const auto& snapshot : harness.snapshots()) EXPECT_TRUE(snapshot.devices.empty());
  EXPECT_EQ(factory.calls(), 1);
}

TEST(EngineLifecycle, StopDuringAReconnectClosesTheOldAndTheNewReceiver) {
  FakeReceiverFactory factory;
  const auto first = receiverWith({keyboard()});
  const auto second = receiverWith({keyboard()});
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
    receivers.push_back(receiverWith({keyboard()}));
    factory.pushReceiver(receivers.back());
  }
  EngineHarness harness(factory.function(), {.maintenanceInterval = 1ms});

  std::vector<std::shared_ptr<bool>> finished;
  for (int round = 0; round < 10; ++round) {
    finished.push_back(harness.startInBackground());
    finished.push_back(harness.launch([](Engine& engine) { return engine.stop(); }));
  }
  harness.waitOrFail(
      [&] { return std::all_of(finished.begin(), finished.end(), [](const auto& flag) { return *flag; }); });
  EXPECT_EQ(harness.lifecycle(), Lifecycle::stopped);

  const auto running = harness.start();
  EXPECT_EQ(running.lifecycle, Lifecycle::running);
  EXPECT_EQ(running.devices.size(), 1u);
  harness.stop();
  const int handedOut = factory.calls();
  ASSERT_LE(handedOut, 12);
  for (int index = 0; index < handedOut; ++index) {
    harness.waitOrFail([&] { return receivers[static_cast<std::size_t>(index)]->stopped(); });
  }
}

TEST(EngineLifecycle, StopAndWaitFromAnotherThreadReportsTheStop) {
  FakeReceiverFactory factory;
  const auto receiver = receiverWith({keyboard()});
  factory.pushReceiver(receiver);
  EngineHarness harness(factory.function());
  harness.start();

  bool inTime = false;
  std::thread caller([&] { inTime = harness.engine().stopAndWait(std::chrono::seconds(20)); });
  caller.join();
  EXPECT_TRUE(inTime);
  EXPECT_TRUE(receiver->stopped());
  harness.waitOrFail([&] { return harness.lastSnapshot()->lifecycle == Lifecycle::stopped; });
}

TEST(EngineLifecycle, TheDeviceLineIsLoggedOnlyWhenItChanges) {
  FakeReceiverFactory factory;
  factory.pushReceiver(receiverWith({keyboard(1, 3, 0), mouse(2, 2, 0)}));
  factory.pushReceiver(receiverWith({keyboard(1, 3, 0), mouse(2, 2, 0)}));
  factory.pushReceiver(receiverWith({keyboard(1, 3, 0), mouse(2, 2, 1)}));
  EngineHarness harness(factory.function());
  harness.start();
  EXPECT_EQ(harness.logs().count("Devices: K (host 1), M (host 1)"), 1);

  harness.run([](Engine& engine) { return engine.handleWake(); });
  EXPECT_EQ(factory.calls(), 2);
  EXPECT_EQ(harness.logs().countStartingWith("Devices: "), 1);

  harness.run([](Engine& engine) { return engine.handleWake(); });
  EXPECT_EQ(harness.logs().count("Devices: K (host 1), M (host 2)"), 1);
  EXPECT_EQ(harness.logs().countStartingWith("Devices: "), 2);
}

TEST(EngineLifecycle, AReconnectKeepsBatteryReadingsByUnitId) {
  auto charged = keyboard(1);
  charged.battery = DeviceBattery{64, true};
  auto rediscovered = keyboard(3);  // same unit id, new slot, reading lost
  rediscovered.unitID = charged.unitID;
  FakeReceiverFactory factory;
  factory.pushReceiver(receiverWith({charged}));
  factory.pushReceiver(receiverWith({rediscovered}));
  EngineHarness harness(factory.function());
  harness.start();

  harness.run([](Engine& engine) { return engine.handleWake(); });
  const auto now = harness.run([](Engine& engine) { return engine.snapshot(); });
  ASSERT_EQ(now.devices.size(), 1u);
  EXPECT_EQ(now.devices[0].index, 3);
  EXPECT_EQ(now.devices[0].battery, (DeviceBattery{64, true}));
}

TEST(EngineLifecycle, ASecondReconnectOfTheSameGenerationReturnsAtOnce) {
  FakeReceiverFactory factory;
  factory.pushReceiver(receiverWith({keyboard()}));
  factory.pushReceiver(receiverWith({keyboard()}));
  EngineHarness harness(factory.function());
  harness.start();

  factory.closeGate();
  const auto first = harness.launch([](Engine& engine) { return engine.handleWake(); });
  harness.waitOrFail([&] { return factory.waiting() == 1; });
  const auto second = harness.launch([](Engine& engine) { return engine.handleWake(); });
  harness.waitOrFail([&] { return *second; });
  EXPECT_FALSE(*first);
  EXPECT_EQ(factory.calls(), 2);
  factory.openGate();
  harness.waitOrFail([&] { return *first; });
  EXPECT_EQ(factory.calls(), 2);
  EXPECT_EQ(harness.lastSnapshot()->devices.size(), 1u);
}

TEST(EngineLifecycle, WakeWhileStoppedDoesNothing) {
  FakeReceiverFactory factory;
  EngineHarness harness(factory.function());
  harness.run([](Engine& engine) { return engine.handleWake(); });
  harness.stop();
  EXPECT_EQ(factory.calls(), 0);
  EXPECT_TRUE(harness.events().empty());
}

}  // namespace
}  // namespace flitbar::testing
