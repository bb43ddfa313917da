#include "EngineHarness.h"

#include <gtest/gtest.h>

#include <fstream>

namespace flitbar::testing {
namespace {

const EngineHarness::Timings ticking{.maintenanceInterval = 1ms};

TEST(EngineMaintenance, DevicesSilentOrSendingErrorFramesForThreeTicksAreGoneUntilTheReceiverReturns) {
  FakeReceiverFactory factory;
  const auto receiver = receiverOf({keyboard(1), mouse(2)});
  factory.pushReceiver(receiver);
  EngineHarness harness(factory.function(), ticking);
  harness.start();

  receiver->setAnswers(1, false);
  receiver->setErrorCode(2, 0x09);
  harness.waitOrFail([&] { return harness.lastSnapshot()->lastError.has_value(); });
  // A tick already running when the faults were set may have had its pings answered.
  EXPECT_GE(std::max(receiver->pings(1), receiver->pings(2)), 6) << "three ticks of two pings each";
  EXPECT_TRUE(receiver->stopped());
  EXPECT_TRUE(harness.lastSnapshot()->devices.empty());
  EXPECT_EQ(harness.lastSnapshot()->problem, EngineSnapshot::Problem::noReceiver);

  factory.pushReceiver(receiverOf({keyboard(1), mouse(2)}));
  harness.waitOrFail([&] { return harness.shows(2); });
  EXPECT_EQ(harness.lastSnapshot()->problem, std::nullopt);
}

TEST(EngineMaintenance, AnAnswerToEitherPingOfATickEndsTheSilentStreak) {
  auto flaky = fakeDevice(keyboard(1));
  // Per tick: answered at the second chance, silent, silent, answered at once; never three in a row.
  for (int round = 0; round < 4; ++round)
    flaky.pingScript.insert(flaky.pingScript.end(), {false, true, false, false, false, false, true});
  const auto receiver = std::make_shared<FakeReceiver>(std::vector<FakeDevice>{flaky});
  FakeReceiverFactory factory;
  factory.pushReceiver(receiver);
  EngineHarness harness(factory.function(), ticking);
  harness.start();

  harness.waitOrFail([&] { return receiver->pings(1) >= 28 + 3; });
  EXPECT_EQ(factory.calls(), 1);
  EXPECT_FALSE(receiver->stopped());
}

TEST(EngineMaintenance, EmptySlotsArePingedEveryTickAndAnAnswerReconnects) {
  std::vector<std::shared_ptr<FakeReceiver>> receivers;
  FakeReceiverFactory factory;
  for (int round = 0; round < 40; ++round) {
    auto silent = fakeDevice(keyboard(3));
    silent.answers = false;
    receivers.push_back(std::make_shared<FakeReceiver>(std::vector<FakeDevice>{silent}));
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
  harness.waitOrFail([&] { return harness.shows(1); });
}

TEST(EngineMaintenance, OnlyTheMissingDeviceABindingNamesIsLookedFor) {
  FakeReceiverFactory factory;
  const auto receiver = receiverOf({keyboard(1)});
  factory.pushReceiver(receiver);
  EngineHarness harness(factory.function(), ticking);
  std::ofstream(harness.configPath()) << R"({"bindings": [{"device": 5, "cid": 196, "switchToHost": 2}]})";
  ASSERT_EQ(harness.start().bindings.size(), 1u);

  harness.waitOrFail([&] { return receiver->pings(5) >= 12; });
  EXPECT_EQ(receiver->pings(6), 0);
  EXPECT_EQ(factory.calls(), 1);
}

TEST(EngineMaintenance, BatteryReadingsArePublishedOnlyWhenTheyChangeAndNeverCleared) {
  auto charged = fakeDevice(keyboard(1));
  charged.info.battery = charged.battery = DeviceBattery{50, false};
  FakeReceiverFactory factory;
  const auto receiver = std::make_shared<FakeReceiver>(std::vector<FakeDevice>{charged});
  factory.pushReceiver(receiver);
  EngineHarness harness(factory.function(), ticking);
  harness.start();
  harness.drain();
  const auto published = harness.snapshots().size();

  harness.waitOrFail([&] { return receiver->pings(1) >= 25; });
  harness.drain();
  EXPECT_EQ(harness.logs().count("Battery levels refreshed"), 0);
  EXPECT_EQ(harness.snapshots().size(), published);

  receiver->setBattery(1, DeviceBattery{40, true});
  harness.waitOrFail([&] { return harness.lastSnapshot()->devices.at(0).battery == DeviceBattery{40, true}; });
  EXPECT_EQ(harness.logs().count("Battery levels refreshed"), 1);

  receiver->setBattery(1, std::nullopt);
  const int now = receiver->pings(1);
  harness.waitOrFail([&] { return receiver->pings(1) >= now + 25; });
  EXPECT_EQ(harness.run([](Engine& engine) { return engine.snapshot(); }).devices.at(0).battery,
            (DeviceBattery{40, true}));
}

}  // namespace
}  // namespace flitbar::testing
