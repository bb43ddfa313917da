#include "EngineHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace flitbar::testing {
namespace {

using Lifecycle = EngineSnapshot::Lifecycle;

const EngineHarness::Timings ticking{.maintenanceInterval = 1ms};

std::shared_ptr<FakeReceiver> receiverWith(std::vector<FakeDevice> devices) {
  return std::make_shared<FakeReceiver>(std::move(devices));
}

TEST(EngineMaintenance, DevicesThatStopAnsweringOrSendErrorFramesCountAsGoneAfterThreeTicks) {
  FakeReceiverFactory factory;
  const auto receiver = receiverWith({fakeDevice(keyboard(1)), fakeDevice(mouse(2))});
  factory.pushReceiver(receiver);
  EngineHarness harness(factory.function(), ticking);
  harness.start();

  // The receiver vanishes: one device goes silent, the other answers with error frames.
  receiver->setAnswers(1, false);
  receiver->setErrorCode(2, 0x09);
  harness.waitOrFail([&] {
    const auto last = harness.lastSnapshot();
    return last && last->lastError;
  });
  // Whichever device reached the streak first missed three ticks of two pings each; the other may
  // have answered a ping of a tick that was already running when the faults were set.
  EXPECT_GE(std::max(receiver->pings(1), receiver->pings(2)), 6) << "three ticks of two pings each";
  EXPECT_TRUE(receiver->stopped());
  auto last = *harness.lastSnapshot();
  EXPECT_TRUE(last.devices.empty());
  EXPECT_EQ(last.problem, EngineSnapshot::Problem::noReceiver);
  EXPECT_EQ(last.lifecycle, Lifecycle::running);

  // Back again: the next tick reconnects.
  const auto returned = receiverWith({fakeDevice(keyboard(1)), fakeDevice(mouse(2))});
  factory.pushReceiver(returned);
  harness.waitOrFail([&] {
    const auto now = harness.lastSnapshot();
    return now && now->devices.size() == 2;
  });
  last = *harness.lastSnapshot();
  EXPECT_EQ(last.lastError, std::nullopt);
  EXPECT_EQ(last.problem, std::nullopt);
}

TEST(EngineMaintenance, AnAnsweredPingResetsTheStreak) {
  FakeReceiverFactory factory;
  const auto receiver = receiverWith({fakeDevice(keyboard(1))});
  factory.pushReceiver(receiver);
  EngineHarness harness(factory.function(), ticking);
  harness.start();

  // Two silent ticks, then an answer: never three in a row, so no reconnect.
  for (int round = 0; round < 5; ++round) {
    const int before = receiver->pings(1);
    receiver->setAnswers(1, false);
    harness.waitOrFail([&] { return receiver->pings(1) >= before + 4; });
    receiver->setAnswers(1, true);
    const int answered = receiver->pings(1);
    harness.waitOrFail([&] { return receiver->pings(1) >= answered + 2; });
  }
  EXPECT_EQ(factory.calls(), 1);
  EXPECT_FALSE(receiver->stopped());
}

TEST(EngineMaintenance, SilentSlotsArePingedEveryTickAndAnAnswerReconnects) {
  std::vector<std::shared_ptr<FakeReceiver>> receivers;
  FakeReceiverFactory factory;
  for (int round = 0; round < 40; ++round) {
    auto silent = fakeDevice(keyboard(3));
    silent.answers = false;
    receivers.push_back(receiverWith({silent}));
    factory.pushReceiver(receivers.back());
  }
  EngineHarness harness(factory.function(), ticking);
  const auto connected = harness.start();
  EXPECT_TRUE(connected.devices.empty());
  EXPECT_EQ(connected.lastError, std::nullopt) << "a receiver without devices is still a connection";

  harness.waitOrFail([&] {
    for (std::uint8_t slot = 1; slot <= 6; ++slot) {
      if (receivers[0]->pings(slot) < 3) return false;
    }
    return true;
  });
  harness.waitOrFail([&] { return factory.calls() >= 3; });  // every tenth tick reconnects without following

  for (const auto& receiver : receivers) receiver->setAnswers(3, true);
  harness.waitOrFail([&] {
    const auto last = harness.lastSnapshot();
    return last && last->devices.size() == 1;
  });
  EXPECT_EQ(harness.lastSnapshot()->devices[0].index, 3);
}

TEST(EngineMaintenance, ADeviceABindingNamesIsLookedForOnEveryTick) {
  FakeReceiverFactory factory;
  const auto receiver = receiverWith({fakeDevice(keyboard(1))});
  factory.pushReceiver(receiver);
  EngineHarness harness(factory.function(), ticking);
  std::ofstream(harness.configPath()) << R"({"bindings": [{"device": 5, "cid": 196, "switchToHost": 2}]})";
  const auto running = harness.start();
  ASSERT_EQ(running.bindingSource, BindingSource::manual);
  ASSERT_EQ(running.bindings.size(), 1u);

  harness.waitOrFail([&] { return receiver->pings(5) >= 12; });
  EXPECT_EQ(receiver->pings(6), 0) << "only the missing device is probed";
  EXPECT_EQ(factory.calls(), 1);
}

TEST(EngineMaintenance, BatteryReadingsAreRefreshedOnlyWhenTheyChange) {
  auto charged = fakeDevice(keyboard(1));
  charged.info.battery = DeviceBattery{50, false};
  charged.battery = DeviceBattery{50, false};
  FakeReceiverFactory factory;
  const auto receiver = receiverWith({charged});
  factory.pushReceiver(receiver);
  EngineHarness harness(factory.function(), ticking);
  harness.start();
  harness.drain();
  const auto published = harness.snapshots().size();

  harness.waitOrFail([&] { return receiver->pings(1) >= 25; });
  harness.drain();
  EXPECT_EQ(harness.logs().count("Battery levels refreshed"), 0);
  EXPECT_EQ(harness.snapshots().size(), published) << "an unchanged reading publishes nothing";

  receiver->setBattery(1, DeviceBattery{40, true});
  harness.waitOrFail([&] { return harness.logs().count("Battery levels refreshed") == 1; });
  harness.waitOrFail([&] { return harness.lastSnapshot()->devices[0].battery == DeviceBattery{40, true}; });

  receiver->setBattery(1, std::nullopt);
  const int now = receiver->pings(1);
  harness.waitOrFail([&] { return receiver->pings(1) >= now + 25; });
  const auto kept = harness.run([](Engine& engine) { return engine.snapshot(); });
  EXPECT_EQ(kept.devices[0].battery, (DeviceBattery{40, true})) << "a failed read never clears a reading";
}

}  // namespace
}  // namespace flitbar::testing
