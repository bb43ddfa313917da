#include "EngineHarness.h"
#include "engine/EngineLockSwitch.h"
#include "engine/LockSwitchHandler.h"

#include <gtest/gtest.h>
#include <asio/co_spawn.hpp>
#include <asio/thread_pool.hpp>
#include <asio/use_future.hpp>

namespace flitbar::testing {
namespace {

using Lifecycle = EngineSnapshot::Lifecycle;

// A keyboard on 3 hosts and a mouse on 2, both on host 1.
struct Desk {
  explicit Desk(std::optional<std::vector<std::string>> hostNames = std::nullopt) {
    auto board = keyboard(1, 3, 0);
    board.hostNames = std::move(hostNames);
    receiver = receiverOf({board, mouse(2, 2, 0)});
    factory.pushReceiver(receiver);
  }
  std::shared_ptr<FakeReceiver> receiver;
  FakeReceiverFactory factory;
};

std::optional<SwitchReport> switchTo(EngineHarness& harness, std::uint8_t host,
                                     SwitchReason reason = SwitchReason::menu()) {
  return harness.run([host, reason](Engine& engine) { return engine.switchAll(host, reason); });
}

TEST(EngineSwitching, NothingIsSentWithoutAReceiverAValidHostOrACapableDevice) {
  Desk desk;
  EngineHarness harness(desk.factory.function());
  EXPECT_EQ(switchTo(harness, 2), std::nullopt) << "before start";
  harness.start();
  EXPECT_EQ(switchTo(harness, 0), std::nullopt);
  EXPECT_EQ(switchTo(harness, 4), std::nullopt);
  EXPECT_TRUE(desk.receiver->hostWrites().empty());

  auto plain = keyboard(1, 0, 0);
  plain.changeHostFeature.reset();
  FakeReceiverFactory factory;
  factory.pushReceiver(receiverOf({plain}));
  EngineHarness incapable(factory.function());
  incapable.start();
  EXPECT_EQ(switchTo(incapable, 1), std::nullopt);
  for (auto* engine : {&harness, &incapable}) {
    engine->drain();
    EXPECT_TRUE(engine->switches().empty() && engine->failures().empty());
    EXPECT_EQ(engine->logs().countStartingWith("Switching"), 0);
  }
}

TEST(EngineSwitching, OnlyDevicesThatReachTheHostMoveAndTheRestAreFoundAgain) {
  Desk desk;
  desk.factory.pushReceiver(receiverOf({mouse(2, 2, 0)}));
  EngineHarness harness(desk.factory.function());
  harness.start();
  harness.clearEvents();

  const auto report = switchTo(harness, 3);
  EXPECT_EQ(report, (SwitchReport{3, {"K"}, SwitchReason::menu(), std::nullopt}));
  EXPECT_EQ(desk.receiver->hostWrites(), (decltype(desk.receiver->hostWrites()){{{{1, 9}}, 2}}))
      << "the wire takes the zero-based host";
  EXPECT_EQ(harness.logs().count("Switching K to host 3"), 1);

  // The report, then the receiver let go with the destination shown, then the reconnect.
  harness.waitOrFail([&] { return harness.shows(1); });
  ASSERT_TRUE(report);
  ASSERT_GE(harness.events().size(), 2u);
  EXPECT_EQ(harness.events()[0], EngineEvent::switched(*report));
  const auto* moving = harness.events()[1].asSnapshot();
  ASSERT_NE(moving, nullptr);
  EXPECT_TRUE(moving->devices.empty());
  EXPECT_EQ(moving->movingToHost, 3);
  EXPECT_TRUE(desk.receiver->stopped());
  EXPECT_EQ(harness.lastSnapshot()->devices.at(0).name, "M");
}

TEST(EngineSwitching, TheDestinationIsNamedWhenTheDevicesKnowIt) {
  Desk named(std::vector<std::string>{"", "Desk", ""});
  EngineHarness harness(named.factory.function());
  harness.start();
  EXPECT_EQ(switchTo(harness, 2, SwitchReason::externalCommand()),
            (SwitchReport{2, {"K", "M"}, SwitchReason::externalCommand(), "Desk"}));
  EXPECT_EQ(harness.logs().count("Switching K, M to \u201CDesk\u201D"), 1);
}

TEST(EngineSwitching, AFailedWriteKeepsTheConnectionAndIsReportedExceptForTheScreenLock) {
  Desk desk;
  desk.receiver->failHostWrites(true);
  EngineHarness harness(desk.factory.function());
  const auto before = harness.start();
  const auto failure = HIDPPError::writeFailed(5).description();

  EXPECT_EQ(switchTo(harness, 2, SwitchReason::screenLocked()), std::nullopt);
  EXPECT_EQ(switchTo(harness, 2), std::nullopt);
  harness.waitOrFail([&] { return !harness.failures().empty(); });
  EXPECT_EQ(harness.failures(), (std::vector<EngineEvent::ActionFailed>{{"Switch devices", failure}}));
  EXPECT_EQ(harness.logs().count("Switch failed: " + failure), 2);
  const auto after = harness.run([](Engine& engine) { return engine.snapshot(); });
  EXPECT_EQ(after.devices, before.devices);
  EXPECT_FALSE(desk.receiver->stopped());
  EXPECT_EQ(desk.factory.calls(), 1);
}

TEST(EngineSwitching, StopDuringASwitchStillReportsTheMoveButSchedulesNoReconnect) {
  Desk desk;
  EngineHarness harness(desk.factory.function());
  harness.start();
  desk.receiver->holdHostWrites();
  const auto switching = harness.launch([](Engine& engine) { return engine.switchAll(2, SwitchReason::menu()); });
  harness.waitOrFail([&] { return desk.receiver->hostWriteWaiting(); });
  const auto stopped = harness.launch([](Engine& engine) { return engine.stop(); });
  EXPECT_EQ(harness.lifecycle(), Lifecycle::stopping);
  desk.receiver->releaseHostWrites();
  harness.waitOrFail([&] { return *switching && *stopped; });

  EXPECT_EQ(harness.switches().size(), 1u);
  EXPECT_TRUE(desk.receiver->stopped());
  EXPECT_EQ(harness.lastSnapshot()->lifecycle, Lifecycle::stopped);
  for (const auto& snapshot : harness.snapshots()) EXPECT_EQ(snapshot.movingToHost, std::nullopt);
  EXPECT_EQ(desk.factory.calls(), 1);
}

TEST(EngineSwitching, AScreenLockSendsEveryDeviceToTheNextHostOnceUntilTheReconnect) {
  Desk desk;
  // The reconnect after the switch stays pending for the whole test.
  EngineHarness harness(desk.factory.function(), {.reconnectDelay = 1h});
  harness.start();
  asio::thread_pool pool(1);
  std::vector<std::string> lines;
  LockSwitchHandler handler(pool.get_executor(), [&lines](const std::string& line) { lines.push_back(line); });
  const auto engine = std::make_shared<EngineLockSwitch>(harness.engine().shared_from_this());
  const auto lock = [&] {
    return asio::co_spawn(pool, handler.handleScreenLocked(engine, true, std::nullopt), asio::use_future).get();
  };

  const auto report = lock();
  ASSERT_TRUE(report);
  EXPECT_EQ(report->host, 2);
  EXPECT_EQ(report->reason, SwitchReason::screenLocked());
  EXPECT_EQ(lock(), std::nullopt);
  pool.join();
  EXPECT_EQ(lines, std::vector<std::string>{"Screen locked, but a switch is already in flight; not switching."});
  EXPECT_EQ(desk.receiver->hostWrites().size(), 1u);
  harness.stop();
}

// The mouse leaves on its own for host 2; `next` is what the reconnect finds.
struct Departure {
  explicit Departure(bool follow, EngineHarness::Timings timings = {.maintenanceInterval = 1ms})
      : harness(factory.function(), timings) {
    factory.pushReceiver(first);
    harness.start(follow);
    first->setAnswers(2, false);
  }
  std::shared_ptr<FakeReceiver> first = receiverOf({keyboard(1), mouse(2)});
  std::shared_ptr<FakeReceiver> next = receiverOf({keyboard(1)});
  FakeReceiverFactory factory;
  EngineHarness harness;
};

TEST(EngineFollowing, TheOthersFollowADeviceThatLeftOnItsOwnWhenFollowingIsOn) {
  for (const bool follow : {true, false}) {
    Departure departure(follow);
    departure.factory.pushReceiver(departure.next);
    auto& harness = departure.harness;
    if (!follow) {
      harness.waitOrFail([&] { return harness.shows(1); });
      harness.run([](Engine& engine) { return engine.snapshot(); });  // following is decided before this answers
      harness.drain();
      EXPECT_TRUE(harness.switches().empty());
      EXPECT_TRUE(departure.next->hostWrites().empty());
      continue;
    }
    harness.waitOrFail([&] { return !harness.switches().empty(); });
    EXPECT_EQ(harness.switches(),
              (std::vector<SwitchReport>{{2, {"K"}, SwitchReason::followLeader("M"), std::nullopt}}));
    EXPECT_EQ(departure.next->hostWrites(), (decltype(departure.next->hostWrites()){{{{1, 9}}, 1}}));
    EXPECT_EQ(harness.logs().count("Following M to host 2"), 1);
  }
}

TEST(EngineFollowing, AFailedFollowWriteIsReportedAndTheDevicesStay) {
  Departure departure(true);
  departure.next->failHostWrites(true);
  departure.factory.pushReceiver(departure.next);
  auto& harness = departure.harness;
  harness.waitOrFail([&] { return !harness.failures().empty(); });
  const auto failure = HIDPPError::writeFailed(5).description();
  EXPECT_EQ(harness.failures(), (std::vector<EngineEvent::ActionFailed>{{"Follow devices", failure}}));
  EXPECT_EQ(harness.logs().count("Follow switch failed: " + failure), 1);
  EXPECT_TRUE(harness.switches().empty());
  EXPECT_FALSE(departure.next->stopped());
}

TEST(EngineFollowing, TheDepartureIsStillFollowedAfterAFailedReconnect) {
  Departure departure(true, {.connectionAttempts = 1, .maintenanceInterval = 1ms});
  auto& harness = departure.harness;
  harness.waitOrFail([&] { return harness.lastSnapshot()->lastError.has_value(); });  // nothing to open
  departure.factory.pushReceiver(departure.next);
  harness.waitOrFail([&] { return !harness.switches().empty(); });
  EXPECT_EQ(harness.switches(), (std::vector<SwitchReport>{{2, {"K"}, SwitchReason::followLeader("M"), std::nullopt}}));
  EXPECT_EQ(departure.next->hostWrites().size(), 1u);
}

}  // namespace
}  // namespace flitbar::testing
