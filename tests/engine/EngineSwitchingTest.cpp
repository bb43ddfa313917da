#include "EngineHarness.h"

#include <gtest/gtest.h>

namespace flitbar::testing {
namespace {

using Lifecycle = EngineSnapshot::Lifecycle;

// A keyboard on 3 hosts and a mouse on 2, both on host 1.
struct SwitchRig {
  std::shared_ptr<FakeReceiver> receiver;
  FakeReceiverFactory factory;

  explicit SwitchRig(std::optional<std::vector<std::string>> keyboardHostNames = std::nullopt) {
    auto board = keyboard(1, 3, 0);
    board.hostNames = std::move(keyboardHostNames);
    receiver = std::make_shared<FakeReceiver>(std::vector<FakeDevice>{fakeDevice(board), fakeDevice(mouse(2, 2, 0))});
    factory.pushReceiver(receiver);
  }
};

std::optional<SwitchReport> switchTo(EngineHarness& harness, std::uint8_t host, SwitchReason reason) {
  return harness.run([host, reason](Engine& engine) { return engine.switchAll(host, reason); });
}

int countActionFailed(const EngineHarness& harness) {
  return static_cast<int>(std::count_if(harness.events().begin(), harness.events().end(),
                                        [](const EngineEvent& event) { return event.asActionFailed() != nullptr; }));
}

TEST(EngineSwitching, HostsOutsideOneToThreeAndAMissingReceiverSendNothing) {
  SwitchRig rig;
  EngineHarness harness(rig.factory.function());
  EXPECT_EQ(switchTo(harness, 2, SwitchReason::menu()), std::nullopt) << "no receiver before start";
  harness.start();
  harness.clearEvents();

  EXPECT_EQ(switchTo(harness, 0, SwitchReason::menu()), std::nullopt);
  EXPECT_EQ(switchTo(harness, 4, SwitchReason::menu()), std::nullopt);
  harness.drain();
  EXPECT_TRUE(rig.receiver->hostWrites().empty());
  EXPECT_TRUE(harness.events().empty());
  EXPECT_EQ(harness.logs().countStartingWith("Switching"), 0);
}

TEST(EngineSwitching, OnlyDevicesThatReachTheHostMoveAndTheRestAreFoundAgain) {
  SwitchRig rig;
  const auto stayed = std::make_shared<FakeReceiver>(std::vector<FakeDevice>{fakeDevice(mouse(2, 2, 0))});
  rig.factory.pushReceiver(stayed);
  EngineHarness harness(rig.factory.function());
  harness.start();
  harness.clearEvents();

  const auto report = switchTo(harness, 3, SwitchReason::menu());

  ASSERT_TRUE(report);
  EXPECT_EQ(report->host, 3);
  EXPECT_EQ(report->deviceNames, (std::vector<std::string>{"K"}));
  EXPECT_EQ(report->reason, SwitchReason::menu());
  const auto writes = rig.receiver->hostWrites();
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].first, (std::vector<HostTarget>{{1, 9}}));
  EXPECT_EQ(writes[0].second, 2) << "the wire takes the zero-based host";
  EXPECT_EQ(harness.logs().count("Switching K to host 3"), 1);

  // The report first, then the receiver let go with the destination shown, then the reconnect.
  harness.waitOrFail([&] { return harness.events().size() >= 3; });
  EXPECT_EQ(harness.events()[0], EngineEvent::switched(*report));
  const auto* moving = harness.events()[1].asSnapshot();
  ASSERT_NE(moving, nullptr);
  EXPECT_TRUE(moving->devices.empty());
  EXPECT_EQ(moving->movingToHost, 3);
  EXPECT_EQ(moving->lifecycle, Lifecycle::running);
  EXPECT_TRUE(rig.receiver->stopped());

  harness.waitOrFail([&] {
    const auto last = harness.lastSnapshot();
    return last && last->devices.size() == 1;
  });
  EXPECT_EQ(harness.lastSnapshot()->devices[0].name, "M");
  EXPECT_EQ(harness.lastSnapshot()->movingToHost, std::nullopt);
  EXPECT_EQ(rig.factory.calls(), 2);
}

TEST(EngineSwitching, TheDestinationIsNamedWhenTheDevicesKnowIt) {
  SwitchRig named(std::vector<std::string>{"", "Desk", ""});
  EngineHarness harness(named.factory.function());
  harness.start();
  const auto report = switchTo(harness, 2, SwitchReason::externalCommand());
  ASSERT_TRUE(report);
  EXPECT_EQ(report->deviceNames, (std::vector<std::string>{"K", "M"}));
  EXPECT_EQ(report->destinationName, "Desk");
  EXPECT_EQ(harness.logs().count("Switching K, M to \u201CDesk\u201D"), 1);
  EXPECT_EQ(report->notificationBody(), "Moving everything to \u201CDesk\u201D.");

  SwitchRig anonymous;
  EngineHarness other(anonymous.factory.function());
  other.start();
  const auto plain = switchTo(other, 2, SwitchReason::menu());
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->destinationName, std::nullopt);
  EXPECT_EQ(other.logs().count("Switching K, M to host 2"), 1);
  EXPECT_EQ(plain->notificationBody(), "Moving everything to host 2.");
}

TEST(EngineSwitching, AFailedWriteKeepsTheConnectionAndIsReportedExceptForTheScreenLock) {
  SwitchRig rig;
  rig.receiver->failHostWrites(true);
  EngineHarness harness(rig.factory.function());
  const auto before = harness.start();
  harness.clearEvents();
  const auto failure = "Switch failed: " + HIDPPError::writeFailed(5).description();

  EXPECT_EQ(switchTo(harness, 2, SwitchReason::screenLocked()), std::nullopt);
  harness.drain();
  EXPECT_EQ(countActionFailed(harness), 0);
  EXPECT_EQ(harness.logs().count(failure), 1);

  EXPECT_EQ(switchTo(harness, 2, SwitchReason::menu()), std::nullopt);
  harness.waitOrFail([&] { return countActionFailed(harness) == 1; });
  EXPECT_EQ(*harness.events().back().asActionFailed(),
            (EngineEvent::ActionFailed{"Switch devices", HIDPPError::writeFailed(5).description()}));
  EXPECT_EQ(harness.logs().count(failure), 2);

  const auto after = harness.run([](Engine& engine) { return engine.snapshot(); });
  EXPECT_EQ(after.devices, before.devices);
  EXPECT_EQ(after.movingToHost, std::nullopt);
  EXPECT_FALSE(rig.receiver->stopped());
  EXPECT_EQ(rig.factory.calls(), 1) << "no reconnect after a failed switch";
}

TEST(EngineSwitching, NoCapableDeviceMeansNothingHappens) {
  auto plain = keyboard(1, 0, 0);
  plain.changeHostFeature.reset();
  FakeReceiverFactory factory;
  factory.pushReceiver(std::make_shared<FakeReceiver>(std::vector<FakeDevice>{fakeDevice(plain)}));
  EngineHarness harness(factory.function());
  harness.start();
  harness.clearEvents();
  EXPECT_EQ(switchTo(harness, 1, SwitchReason::menu()), std::nullopt);
  harness.drain();
  EXPECT_TRUE(harness.events().empty());
  EXPECT_EQ(harness.logs().countStartingWith("Switching"), 0);
}

TEST(EngineSwitching, StopDuringASwitchLeavesTheConnectionToTheStop) {
  SwitchRig rig;
  EngineHarness harness(rig.factory.function());
  harness.start();
  rig.receiver->holdHostWrites();

  bool switched = false;
  const auto switching = harness.launch([](Engine& engine) { return engine.switchAll(2, SwitchReason::menu()); });
  harness.waitOrFail([&] { return rig.receiver->hostWriteWaiting(); });
  const auto stopped = harness.launch([](Engine& engine) { return engine.stop(); });
  EXPECT_EQ(harness.lifecycle(), Lifecycle::stopping);
  rig.receiver->releaseHostWrites();
  harness.waitOrFail([&] { return *switching && *stopped; });
  switched = std::any_of(harness.events().begin(), harness.events().end(),
                         [](const EngineEvent& event) { return event.asSwitched() != nullptr; });

  EXPECT_TRUE(switched) << "the devices did move, so the report still goes out";
  EXPECT_TRUE(rig.receiver->stopped());
  const auto published = harness.snapshots();
  EXPECT_EQ(published.back().lifecycle, Lifecycle::stopped);
  for (const auto& snapshot : published) EXPECT_EQ(snapshot.movingToHost, std::nullopt);
  EXPECT_EQ(rig.factory.calls(), 1) << "a stopped engine schedules no reconnect";
}

}  // namespace
}  // namespace flitbar::testing
