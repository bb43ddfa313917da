#include "EngineHarness.h"

#include <gtest/gtest.h>

namespace flitbar::testing {
namespace {

using Lifecycle = EngineSnapshot::Lifecycle;

// The first stop is still releasing on the worker when the second call arrives.
TEST(EngineStopOverlap, ACallDuringAStopWaitsForItToFinish) {
  struct Case {
    const char* name;
    bool restarts;
    Lifecycle after;
  };
  const Case cases[] = {{"second stop", false, Lifecycle::stopped}, {"start", true, Lifecycle::running}};
  for (const Case& row : cases) {
    FakeReceiverFactory factory;
    factory.pushReceiver(std::make_shared<FakeReceiver>(std::vector<FakeDevice>{fakeDevice(keyboard())}));
    factory.pushReceiver(std::make_shared<FakeReceiver>(std::vector<FakeDevice>{fakeDevice(keyboard())}));
    EngineHarness harness(factory.function());
    harness.start();
    harness.launch([](Engine& engine) { return engine.stop(); });
    const auto seen = harness.run([restarts = row.restarts](Engine& engine) -> asio::awaitable<EngineSnapshot> {
      if (restarts) co_return co_await engine.start(true, std::nullopt, {}, [](const EngineEvent&) {});
      co_await engine.stop();
      co_return co_await engine.snapshot();
    });
    EXPECT_EQ(seen.lifecycle, row.after) << row.name;
  }
}

}  // namespace
}  // namespace flitbar::testing
