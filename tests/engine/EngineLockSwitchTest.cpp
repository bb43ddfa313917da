#include "EngineHarness.h"
#include "engine/EngineLockSwitch.h"
#include "engine/LockSwitchHandler.h"

#include <gtest/gtest.h>
#include <asio/co_spawn.hpp>
#include <asio/thread_pool.hpp>
#include <asio/use_future.hpp>

namespace flitbar::testing {
namespace {

// The handler on a thread of its own, reaching the real engine on the engine's thread.
TEST(EngineLockSwitch, ALockSendsEveryDeviceToTheNextHost) {
  FakeReceiverFactory factory;
  const auto receiver = std::make_shared<FakeReceiver>(
      std::vector<FakeDevice>{fakeDevice(keyboard(1, 3, 0)), fakeDevice(mouse(2, 2, 0))});
  factory.pushReceiver(receiver);
  EngineHarness::Timings timings;
  // The reconnect after the switch stays pending for the whole test.
  timings.reconnectDelay = 1h;
  EngineHarness harness(factory.function(), timings);
  harness.start();

  asio::thread_pool pool(1);
  std::vector<std::string> lines;
  LockSwitchHandler handler(pool.get_executor(), [&lines](const std::string& line) { lines.push_back(line); });
  const auto engine = std::make_shared<EngineLockSwitch>(harness.engine().shared_from_this());

  auto result = asio::co_spawn(pool, handler.handleScreenLocked(engine, true, std::nullopt), asio::use_future);
  const auto report = result.get();
  ASSERT_TRUE(report);
  EXPECT_EQ(report->host, 2);
  EXPECT_EQ(report->reason, SwitchReason::screenLocked());
  ASSERT_EQ(receiver->hostWrites().size(), 1u);
  EXPECT_EQ(receiver->hostWrites()[0].second, 1);

  // Until the reconnect after the switch succeeds, another lock is refused.
  EXPECT_EQ(asio::co_spawn(pool, handler.handleScreenLocked(engine, true, std::nullopt), asio::use_future).get(),
            std::nullopt);
  pool.join();
  EXPECT_EQ(lines, std::vector<std::string>{"Screen locked, but a switch is already in flight; not switching."});
  EXPECT_EQ(receiver->hostWrites().size(), 1u);
  harness.stop();
}

}  // namespace
}  // namespace flitbar::testing
