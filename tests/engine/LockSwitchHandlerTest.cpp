#include "engine/EngineTask.h"
#include "engine/LockSwitchHandler.h"
#include "support/Builders.h"

#include <gtest/gtest.h>
#include <asio/co_spawn.hpp>
#include <asio/thread_pool.hpp>
#include <asio/use_future.hpp>

#include <atomic>

namespace flitbar::testing {
namespace {

using namespace std::chrono_literals;

// An engine whose switch can be held. The test changes its state only while no lock is handled.
class HeldEngine : public LockSwitchEngine {
 public:
  asio::awaitable<EngineSnapshot> snapshot() override { co_return state; }
  asio::awaitable<std::optional<SwitchReport>> switchAll(std::uint8_t host, SwitchReason reason) override {
    switching = host;
    while (hold) co_await sleepFor(1ms);
    if (!succeed) co_return std::nullopt;
    co_return SwitchReport{host, {"Device 1"}, reason, std::nullopt};
  }

  EngineSnapshot state = runningWith({device(1), device(2)});
  std::atomic<int> switching{0};
  std::atomic<bool> hold{false};
  bool succeed = true;
};

// Lines are read only after the lock that logged them answered.
class LockSwitchHandlerTest : public ::testing::Test {
 protected:
  std::future<std::optional<SwitchReport>> lock(bool enabled = true, std::optional<std::uint8_t> preferred = {}) {
    return asio::co_spawn(pool, handler.handleScreenLocked(engine, enabled, preferred), asio::use_future);
  }

  asio::thread_pool pool{2};
  std::shared_ptr<HeldEngine> engine = std::make_shared<HeldEngine>();
  std::vector<std::string> logged;
  LockSwitchHandler handler{pool.get_executor(), [this](const std::string& line) { logged.push_back(line); }};
};

TEST_F(LockSwitchHandlerTest, SendsTheDevicesToThePreferredReachableOrLowestOtherHostOrRefuses) {
  EXPECT_EQ(lock(true, 3).get(), (SwitchReport{3, {"Device 1"}, SwitchReason::screenLocked(), std::nullopt}));
  engine->state.devices = {device(1, 2), device(2, 2)};
  EXPECT_EQ(lock(true, 3).get()->host, 2) << "host 3 is beyond these devices";
  EXPECT_EQ(lock(false).get(), std::nullopt);
  EXPECT_TRUE(logged.empty());

  struct Case {
    std::function<void(HeldEngine&)> change;
    std::string line;
  };
  for (const auto& [change, line] : std::vector<Case>{
           {[](HeldEngine& e) { e.state.lifecycle = EngineSnapshot::Lifecycle::starting; },
            "Screen locked, but the engine is not connected; not switching."},
           {[](HeldEngine& e) { e.state.movingToHost = 2; },
            "Screen locked, but a switch is already in flight; not switching."},
           {[](HeldEngine& e) { e.state.devices = {device(1, 1)}; },
            "Screen locked, but there is nowhere else to send the devices; not switching."},
           {[](HeldEngine& e) { e.succeed = false; }, "Screen locked, but the switch could not be completed."},
       }) {
    engine->state = runningWith({device(1), device(2)});
    engine->succeed = true;
    change(*engine);
    EXPECT_EQ(lock(true, 2).get(), std::nullopt) << line;
    EXPECT_EQ(std::exchange(logged, {}), std::vector<std::string>{line});
  }
}

TEST_F(LockSwitchHandlerTest, IgnoresALockWhileOneIsMovingDevicesAndHandlesTheNextOnceItIsDone) {
  engine->hold = true;
  auto first = lock();
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (!engine->switching && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
  ASSERT_EQ(engine->switching, 2);
  auto second = lock();
  const bool answered = second.wait_for(20s) == std::future_status::ready;
  engine->hold = false;
  ASSERT_TRUE(answered) << "the second lock waited for the first";
  EXPECT_EQ(second.get(), std::nullopt);
  EXPECT_EQ(first.get()->host, 2);
  EXPECT_EQ(logged, std::vector<std::string>{
                        "Screen locked, but a lock-triggered switch is already moving devices; ignoring."});
  EXPECT_TRUE(lock().get()) << "once the first is done, the next is handled";
}

}  // namespace
}  // namespace flitbar::testing
