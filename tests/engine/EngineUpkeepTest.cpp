#include "EngineHarness.h"

#include <gtest/gtest.h>

namespace flitbar::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

FakeDevice wheelMouse(std::uint8_t index, std::string name, Bytes wheelMode) {
  auto device = fakeDevice(mouse(index));
  device.info.name = std::move(name);
  device.features[Feature::hiResWheel] = 14;
  device.wheelMode = std::move(wheelMode);
  return device;
}

FakeDevice shiftingMouse(std::uint8_t index, std::string name) {
  auto device = fakeDevice(mouse(index));
  device.info.name = std::move(name);
  device.features[Feature::smartShift] = 12;
  device.smartShift = {1, 0x0A, 42};  // free spin, disengaging automatically
  return device;
}

TEST(EngineUpkeep, RatchetModeIsWrittenWithTheTorqueKeptAndConfirmedOrReported) {
  auto stubborn = shiftingMouse(2, "Stubborn");
  stubborn.ignoresSmartShiftWrites = true;
  auto broken = shiftingMouse(3, "Broken");
  broken.errorCode = 0x05;
  FakeReceiver receiver({shiftingMouse(1, "Accepts"), stubborn, broken, fakeDevice(keyboard(4))});
  std::vector<std::string> lines;
  Engine::enforceRatchet(receiver, receiver.discovered(), [&lines](const std::string& line) { lines.push_back(line); });

  EXPECT_EQ(receiver.smartShiftOf(1), (Bytes{0x02, 0xFF, 42}));
  EXPECT_EQ(receiver.smartShiftOf(2), (Bytes{1, 0x0A, 42}));
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "Ratchet mode could not be confirmed on Stubborn",
                       "Ratchet mode on Broken: " + HIDPPError::deviceError(3, 0x05).description(),
                   }));
}

TEST(EngineUpkeep, EveryConnectionAndSwitchHoldsTheWheelsInRatchetMode) {
  auto stubborn = shiftingMouse(2, "M");
  stubborn.ignoresSmartShiftWrites = true;
  FakeReceiverFactory factory;
  factory.pushReceiver(std::make_shared<FakeReceiver>(std::vector<FakeDevice>{fakeDevice(keyboard(1)), stubborn}));
  EngineHarness harness(factory.function());
  harness.start();
  EXPECT_EQ(harness.logs().count("Ratchet mode could not be confirmed on M"), 1);

  ASSERT_TRUE(harness.run([](Engine& engine) { return engine.switchAll(2, SwitchReason::menu()); }));
  const auto all = harness.logs().all();
  const auto switching = std::find(all.begin(), all.end(), "Switching K, M to host 2");
  EXPECT_NE(std::find(switching, all.end(), "Ratchet mode could not be confirmed on M"), all.end())
      << "the moving devices are put into ratchet mode before they leave";
}

TEST(EngineUpkeep, TheFirstDivertedWheelIsFoundAndRescuedWithItsOtherBytesKept) {
  FakeReceiverFactory factory;
  const auto receiver = std::make_shared<FakeReceiver>(
      std::vector<FakeDevice>{fakeDevice(keyboard(1)), wheelMouse(2, "Native", {0, 4, 0}),
                              wheelMouse(3, "First", {1, 0, 0}), wheelMouse(4, "Second", {1, 4, 0})});
  factory.pushReceiver(receiver);
  EngineHarness harness(factory.function());
  EXPECT_FALSE(harness.run([](Engine& engine) { return engine.rescueWheel(); })) << "no receiver yet";
  harness.start();

  EXPECT_EQ(harness.run([](Engine& engine) { return engine.divertedWheel(); }),
            (WheelDiversion{3, "First", {1, 0, 0}}));
  EXPECT_EQ(receiver->wheelModeOf(3), (Bytes{1, 0, 0})) << "looking changes nothing";
  EXPECT_TRUE(harness.run([](Engine& engine) { return engine.rescueWheel(); }));
  EXPECT_EQ(receiver->wheelModeOf(3), (Bytes{0, 0, 0}));
  EXPECT_EQ(receiver->wheelModeOf(4), (Bytes{1, 4, 0})) << "one wheel per rescue";
  EXPECT_TRUE(harness.run([](Engine& engine) { return engine.rescueWheel(); }));
  EXPECT_EQ(receiver->wheelModeOf(4), (Bytes{0, 4, 0}));
  EXPECT_FALSE(harness.run([](Engine& engine) { return engine.rescueWheel(); }));
}

// A rescue and a wake started together on the engine's thread: the wake replaces the receiver
// while the rescue's scan is on the worker.
asio::awaitable<bool> rescueDuringWake(std::shared_ptr<Engine> engine) {
  auto rescued = std::make_shared<bool>(true);
  const auto rescue =
      EngineTask::spawn(engine->executor(),
                        [](std::shared_ptr<Engine> engine, std::shared_ptr<bool> out) -> asio::awaitable<void> {
                          *out = co_await engine->rescueWheel();
                        }(engine, rescued),
                        {});
  const auto wake = EngineTask::spawn(
      engine->executor(),
      [](std::shared_ptr<Engine> engine) -> asio::awaitable<void> { co_await engine->handleWake(); }(engine), {});
  co_await rescue.completion();
  co_await wake.completion();
  co_return *rescued;
}

TEST(EngineUpkeep, ARescueRefusesToWriteWhenTheReceiverChangedDuringTheScan) {
  FakeReceiverFactory factory;
  const auto first = std::make_shared<FakeReceiver>(std::vector<FakeDevice>{wheelMouse(2, "M", {1, 0, 0})});
  const auto second = std::make_shared<FakeReceiver>(std::vector<FakeDevice>{wheelMouse(2, "M", {1, 0, 0})});
  factory.pushReceiver(first);
  factory.pushReceiver(second);
  EngineHarness harness(factory.function());
  harness.start();

  EXPECT_FALSE(harness.run([](Engine& engine) { return rescueDuringWake(engine.shared_from_this()); }));
  EXPECT_EQ(first->wheelModeOf(2), (Bytes{1, 0, 0}));
  EXPECT_EQ(second->wheelModeOf(2), (Bytes{1, 0, 0}));
  EXPECT_EQ(factory.calls(), 2);
}

}  // namespace
}  // namespace flitbar::testing
