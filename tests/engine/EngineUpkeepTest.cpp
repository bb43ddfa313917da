#include "EngineHarness.h"

#include <gtest/gtest.h>

namespace flitbar::testing {
namespace {

// The mouse with its wheel diverted to a driver and a second such mouse in slot 3.
VirtualDesk divertedWheels() {
  auto rig = VirtualDesk::rig("default.json");
  auto second = rig.devices.at(1);
  second.id = "second";
  second.slot = 3;
  second.name = "Second";
  second.unitId = {{1, 2, 3, 4}};
  second.wheel->mode = {1, 4, 0};
  rig.devices.at(1).wheel->mode = {1, 0, 0};
  rig.devices.push_back(second);
  return VirtualDesk(rig);
}

std::vector<int> wheelOf(const EngineHarness& harness, const std::string& device) {
  return harness.desk.device(device).at("hiResWheel").at("mode");
}

TEST(EngineUpkeep, ConnectionsAndSwitchesPutTheWheelInRatchetModeKeepingTheTorqueOrSayWhyNot) {
  auto rig = VirtualDesk::rig("default.json");
  rig.devices.at(1).smartShift->mode = 1;
  EngineHarness harness({}, VirtualDesk(rig));
  harness.start();
  const auto ratchet = nlohmann::json{{"mode", 2}, {"autoDisengage", 0xFF}, {"torque", 50}};
  EXPECT_EQ(harness.desk.device("mouse").at("smartShift"), ratchet);

  // Back to free spin behind the engine's back; the switch puts it right before the mouse leaves.
  const auto other = harness.desk.open();
  const auto feature = other.session->featureIndex(2, Feature::smartShift);
  other.session->transport().exchange(2, feature, 2, {1, 0x0A, 50}, false, 1);
  other.session->stop();
  ASSERT_TRUE(harness.run([](Engine& engine) { return engine.switchAll(2, SwitchReason::menu()); }));
  EXPECT_EQ(harness.desk.device("mouse").at("smartShift"), ratchet);

  EngineHarness broken;
  broken.desk.world->setFeatureError("mouse", 0x2111, 0x05);
  broken.start();
  EXPECT_EQ(broken.logged("Ratchet mode on MX Master 3S: " + HIDPPError::deviceError(2, 0x05).description()), 1);
}

TEST(EngineUpkeep, TheFirstDivertedWheelIsFoundAndRescuedWithItsOtherBytesKept) {
  EngineHarness harness({}, divertedWheels());
  EXPECT_FALSE(harness.run([](Engine& engine) { return engine.rescueWheel(); })) << "no receiver yet";
  harness.start();

  EXPECT_EQ(harness.run([](Engine& engine) { return engine.divertedWheel(); }),
            (WheelDiversion{2, "MX Master 3S", {1, 0, 0}}));
  EXPECT_EQ(wheelOf(harness, "mouse"), (std::vector<int>{1, 0, 0})) << "looking changes nothing";
  EXPECT_TRUE(harness.run([](Engine& engine) { return engine.rescueWheel(); }));
  EXPECT_EQ(wheelOf(harness, "mouse"), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(wheelOf(harness, "second"), (std::vector<int>{1, 4, 0})) << "one wheel per rescue";
  EXPECT_TRUE(harness.run([](Engine& engine) { return engine.rescueWheel(); }));
  EXPECT_EQ(wheelOf(harness, "second"), (std::vector<int>{0, 4, 0}));
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
  EngineHarness harness({}, divertedWheels());
  harness.start();
  EXPECT_FALSE(harness.run([](Engine& engine) { return rescueDuringWake(engine.shared_from_this()); }));
  EXPECT_EQ(wheelOf(harness, "mouse"), (std::vector<int>{1, 0, 0}));
  EXPECT_EQ(harness.receivers.opens, 2);
}

}  // namespace
}  // namespace flitbar::testing
