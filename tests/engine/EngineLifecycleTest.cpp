#include "EngineHarness.h"

#include <gtest/gtest.h>

namespace flitbar::testing {
namespace {

using Lifecycle = EngineSnapshot::Lifecycle;

asio::awaitable<void> wake(Engine& engine) { return engine.handleWake(); }
asio::awaitable<void> stop(Engine& engine) { return engine.stop(); }

TEST(EngineLifecycle, WithoutAReceiverTriesFiveTimesRunsWithTheLastErrorAndKeepsLooking) {
  EngineHarness harness({.maintenanceInterval = 2ms});
  harness.receivers.failOpens(HIDPPError::noReceiver(), 4);
  harness.receivers.failOpens(HIDPPError::accessDenied());
  harness.receivers.failOpens(HIDPPError::noReceiver(), 15);

  const auto result = harness.start();
  EXPECT_EQ(result.lifecycle, Lifecycle::running);
  EXPECT_EQ(result.lastError, HIDPPError::accessDenied().description()) << "the fifth failure is the last";
  EXPECT_EQ(result.problem, EngineSnapshot::Problem::accessDenied);
  const auto published = harness.eventsOf<EngineSnapshot>();
  ASSERT_GE(published.size(), 3u);
  EXPECT_EQ(published[1].lifecycle, Lifecycle::starting) << "the error shows before the engine runs";
  EXPECT_EQ(published[1].lastError, result.lastError);
  EXPECT_EQ(published[2], result);

  harness.waitUntil([&] { return harness.shows(2); });
  EXPECT_GE(harness.receivers.opens, 21);
  EXPECT_EQ(harness.lastSnapshot().problem, std::nullopt);
}

TEST(EngineLifecycle, AStopWhileAReceiverOpensClosesItWhenItArrives) {
  for (const bool reconnecting : {false, true}) {
    SCOPED_TRACE(reconnecting ? "reconnect" : "first connection");
    EngineHarness harness;
    if (reconnecting) harness.start();
    harness.receivers.gateClosed = true;
    std::function<bool()> opened;
    if (reconnecting) {
      opened = [woke = harness.launch(wake)] { return woke->has_value(); };
    } else {
      opened = [started = harness.startInBackground()] { return started->has_value(); };
    }
    harness.waitUntil([&] { return harness.receivers.waitingOpens == 1; });
    EXPECT_EQ(harness.receivers.live, 0) << "the old receiver is let go before the new one opens";
    const auto stopped = harness.launch(stop);
    EXPECT_EQ(harness.snapshot().lifecycle, Lifecycle::stopping);
    harness.receivers.gateClosed = false;
    harness.waitUntil([&] { return opened() && stopped->has_value() && harness.receivers.live == 0; });

    EXPECT_EQ(harness.events().back(), EngineEvent::snapshot(harness.lastSnapshot())) << "nothing follows the end";
    EXPECT_EQ(harness.lastSnapshot().lifecycle, Lifecycle::stopped);
    EXPECT_EQ(harness.receivers.opens, reconnecting ? 2 : 1);
  }
}

TEST(EngineLifecycle, AWakeDuringAReconnectReturnsAtOnceAndAWakeWhileStoppedDoesNothing) {
  EngineHarness harness;
  harness.run(wake);
  EXPECT_EQ(harness.receivers.opens, 0);
  EXPECT_TRUE(harness.events().empty());

  harness.start();
  harness.receivers.gateClosed = true;
  const auto first = harness.launch(wake);
  harness.waitUntil([&] { return harness.receivers.waitingOpens == 1; });
  const auto second = harness.launch(wake);
  harness.waitUntil([&] { return second->has_value(); });
  EXPECT_FALSE(first->has_value());
  harness.receivers.gateClosed = false;
  harness.waitUntil([&] { return first->has_value() && harness.shows(2); });
  EXPECT_EQ(harness.receivers.opens, 2);
}

}  // namespace
}  // namespace flitbar::testing
