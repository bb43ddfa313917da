#include "engine/EngineTask.h"
#include "engine/LockSwitchHandler.h"

#include <gtest/gtest.h>
#include <asio/co_spawn.hpp>
#include <asio/thread_pool.hpp>
#include <asio/use_future.hpp>

#include <atomic>
#include <mutex>

namespace flitbar {
namespace {

using namespace std::chrono_literals;

DeviceInfo device(std::uint8_t index, std::uint8_t hostCount, std::uint8_t currentHost) {
  DeviceInfo info;
  info.index = index;
  info.name = "Device " + std::to_string(index);
  info.changeHostFeature = 0x09;
  info.hostCount = hostCount;
  info.currentHost = currentHost;
  return info;
}

class FakeEngine : public LockSwitchEngine {
 public:
  asio::awaitable<EngineSnapshot> snapshot() override {
    std::lock_guard guard(lock);
    ++snapshots;
    co_return state;
  }

  asio::awaitable<std::optional<SwitchReport>> switchAll(std::uint8_t host, SwitchReason reason) override {
    {
      std::lock_guard guard(lock);
      switches.push_back(host);
      EXPECT_EQ(reason, SwitchReason::screenLocked());
    }
    switching = true;
    while (holdSwitch) co_await sleepFor(2ms);
    if (!succeed) co_return std::nullopt;
    co_return SwitchReport{host, {"Device 1"}, reason, std::nullopt};
  }

  std::mutex lock;
  EngineSnapshot state;
  int snapshots = 0;
  std::vector<std::uint8_t> switches;
  std::atomic<bool> holdSwitch{false};
  std::atomic<bool> switching{false};
  bool succeed = true;
};

class LockSwitchHandlerTest : public ::testing::Test {
 protected:
  LockSwitchHandlerTest() {
    engine->state.lifecycle = EngineSnapshot::Lifecycle::running;
    engine->state.devices = {device(1, 3, 0), device(2, 3, 0)};
  }

  std::future<std::optional<SwitchReport>> lock(bool enabled = true, std::optional<std::uint8_t> preferred = {}) {
    return asio::co_spawn(pool, handler.handleScreenLocked(engine, enabled, preferred), asio::use_future);
  }

  std::vector<std::string> logged() {
    std::lock_guard guard(logLock);
    return lines;
  }

  asio::thread_pool pool{2};
  std::shared_ptr<FakeEngine> engine = std::make_shared<FakeEngine>();
  std::mutex logLock;
  std::vector<std::string> lines;
  LockSwitchHandler handler{pool.get_executor(), [this](const std::string& line) {
                              std::lock_guard guard(logLock);
                              lines.push_back(line);
                            }};
};

TEST_F(LockSwitchHandlerTest, SendsTheDevicesToThePreferredOrLowestOtherHost) {
  EXPECT_EQ(lock(true, 3).get(), (SwitchReport{3, {"Device 1"}, SwitchReason::screenLocked(), std::nullopt}));
  engine->state.devices = {device(1, 2, 0), device(2, 2, 0)};
  // Host 3 is beyond these devices' two hosts.
  EXPECT_EQ(lock(true, 3).get()->host, 2);
  EXPECT_EQ(engine->switches, (std::vector<std::uint8_t>{3, 2}));
  EXPECT_TRUE(logged().empty());
}

TEST_F(LockSwitchHandlerTest, DoesNothingWhenSwitchedOff) {
  EXPECT_EQ(lock(false).get(), std::nullopt);
  EXPECT_EQ(engine->snapshots, 0);
  EXPECT_TRUE(logged().empty());
}

TEST_F(LockSwitchHandlerTest, IgnoresALockWhileOneIsMovingDevices) {
  engine->holdSwitch = true;
  auto first = lock();
  while (!engine->switching) std::this_thread::sleep_for(1ms);
  EXPECT_EQ(lock().get(), std::nullopt);
  engine->holdSwitch = false;
  EXPECT_EQ(first.get()->host, 2);
  EXPECT_EQ(logged(), std::vector<std::string>{
                          "Screen locked, but a lock-triggered switch is already moving devices; ignoring."});
  // Once the first is done, the next lock is handled again.
  EXPECT_TRUE(lock().get());
}

TEST_F(LockSwitchHandlerTest, RefusesWhenNoSwitchMakesSense) {
  engine->state.lifecycle = EngineSnapshot::Lifecycle::starting;
  EXPECT_EQ(lock().get(), std::nullopt);
  engine->state.lifecycle = EngineSnapshot::Lifecycle::running;
  engine->state.movingToHost = 2;
  EXPECT_EQ(lock().get(), std::nullopt);
  engine->state.movingToHost.reset();
  engine->state.devices = {device(1, 1, 0)};
  EXPECT_EQ(lock(true, 2).get(), std::nullopt);
  EXPECT_EQ(logged(), (std::vector<std::string>{
                          "Screen locked, but the engine is not connected; not switching.",
                          "Screen locked, but a switch is already in flight; not switching.",
                          "Screen locked, but there is nowhere else to send the devices; not switching.",
                      }));
  EXPECT_TRUE(engine->switches.empty());
}

TEST_F(LockSwitchHandlerTest, ReportsASwitchThatFailedAndStaysReady) {
  engine->succeed = false;
  EXPECT_EQ(lock().get(), std::nullopt);
  EXPECT_EQ(logged(), std::vector<std::string>{"Screen locked, but the switch could not be completed."});
  engine->succeed = true;
  EXPECT_TRUE(lock().get());
}

}  // namespace
}  // namespace flitbar
