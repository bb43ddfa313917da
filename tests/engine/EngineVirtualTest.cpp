#include "EngineHarness.h"

#include "platform/linux/HidBackendFactory.h"
#include "protocol/HIDPPTransport.h"
#include "protocol/Receiver.h"
#include "support/ProcessRunner.h"
#include "virtual/InProcessHidBackend.h"
#include "virtual/VirtualRig.h"
#include "virtual/VirtualWorld.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <fstream>

namespace flitbar::testing {
namespace {

using Lifecycle = EngineSnapshot::Lifecycle;
using virtualhid::VirtualRig;
using virtualhid::VirtualWorld;

std::string rigPath(const std::string& name) { return std::string(FLITBAR_SOURCE_DIR) + "/src/virtual/rigs/" + name; }

VirtualRig instantRig(const std::string& name = "default.json") {
  auto rig = VirtualRig::load(rigPath(name));
  rig.timing = virtualhid::RigTiming{0, 0, 0, 0};
  return rig;
}

// The default desk with a mouse paired with the first two computers only.
VirtualRig twoHostMouseRig() {
  auto rig = instantRig();
  for (auto& device : rig.devices) {
    if (device.id != "mouse") continue;
    device.channels.resize(2);
    device.hostNames.resize(2);
  }
  return rig;
}

std::function<OpenedReceiver()> openingWith(std::function<std::unique_ptr<HidBackend>()> backend) {
  return [backend = std::move(backend)] {
    const auto discovery = backend();
    return Receiver::openFirstResponding(*discovery, [](std::unique_ptr<HidDevice> device) {
      return std::make_shared<HIDPPTransport>(std::move(device));
    });
  };
}

// The receiver of one computer of an in-process world, opened the way the application opens one.
std::function<OpenedReceiver()> computerOf(std::shared_ptr<VirtualWorld> world, std::string computer) {
  return openingWith([world = std::move(world), computer = std::move(computer)] {
    return std::make_unique<virtualhid::InProcessHidBackend>(world, computer);
  });
}

nlohmann::json deviceState(const VirtualWorld& world, const std::string& id) {
  const auto state = world.state();
  for (const auto& device : state.at("devices")) {
    if (device.at("id") == id) return device;
  }
  return nullptr;
}

bool diverted(const VirtualWorld& world, const std::string& device, const std::string& cid) {
  const auto state = deviceState(world, device);
  for (const auto& control : state.at("controls")) {
    if (control.at("cid") == cid) return control.at("diverted");
  }
  return false;
}

// Presses and lets go of a control, as a finger would.
void click(VirtualWorld& world, const std::string& device, std::uint16_t cid) {
  world.press(device, cid);
  world.release(device, cid);
}

std::optional<SwitchReport> lastSwitch(const EngineHarness& harness) {
  std::optional<SwitchReport> found;
  for (const auto& event : harness.events()) {
    if (const auto* report = event.asSwitched()) found = *report;
  }
  return found;
}

std::optional<EngineEvent::ActionFailed> lastFailure(const EngineHarness& harness) {
  std::optional<EngineEvent::ActionFailed> found;
  for (const auto& event : harness.events()) {
    if (const auto* failure = event.asActionFailed()) found = *failure;
  }
  return found;
}

bool showsDevices(const EngineHarness& harness, std::size_t count) {
  const auto last = harness.lastSnapshot();
  return last && last->devices.size() == count && !last->movingToHost && !last->lastError;
}

TEST(EngineOnVirtualDesk, ConnectsHoldsTheWheelInRatchetModeAndMovesBothDevicesToAnotherComputer) {
  const auto world = std::make_shared<VirtualWorld>(instantRig());
  EngineHarness harness(computerOf(world, "host1"));

  const auto running = harness.start();
  ASSERT_EQ(running.lifecycle, Lifecycle::running);
  ASSERT_EQ(running.devices.size(), 2u);
  EXPECT_EQ(running.lastError, std::nullopt);
  EXPECT_EQ(running.thisHost(), 1);
  EXPECT_EQ(harness.logs().count("Devices: MX Keys S (host 1), MX Master 3S (host 1)"), 1);
  EXPECT_EQ(deviceState(*world, "mouse").at("smartShift").at("autoDisengage"), 0xFF);
  EXPECT_EQ(deviceState(*world, "mouse").at("smartShift").at("mode"), 2);

  const auto report = harness.run([](Engine& engine) { return engine.switchAll(2, SwitchReason::menu()); });
  ASSERT_TRUE(report);
  EXPECT_EQ(*report, (SwitchReport{2, {"MX Keys S", "MX Master 3S"}, SwitchReason::menu(), "travel-laptop"}));
  EXPECT_EQ(harness.logs().count("Switching MX Keys S, MX Master 3S to \u201Ctravel-laptop\u201D"), 1);
  harness.waitOrFail([&] { return harness.lastSnapshot()->movingToHost == 2; });
  EXPECT_TRUE(harness.lastSnapshot()->devices.empty());

  // Reconnected to a receiver whose devices all left: a connection without devices.
  harness.waitOrFail([&] { return showsDevices(harness, 0); });
  EXPECT_EQ(deviceState(*world, "keyboard").at("computer"), "host2");
  EXPECT_EQ(deviceState(*world, "mouse").at("computer"), "host2");

  EngineHarness laptop(computerOf(world, "host2"));
  const auto there = laptop.start();
  ASSERT_EQ(there.devices.size(), 2u);
  EXPECT_EQ(there.thisHost(), 2);
}

TEST(EngineOnVirtualDesk, ADeviceThatCannotReachTheHostStaysAndIsFoundAgain) {
  const auto world = std::make_shared<VirtualWorld>(twoHostMouseRig());
  EngineHarness harness(computerOf(world, "host1"));
  harness.start();

  const auto report = harness.run([](Engine& engine) { return engine.switchAll(3, SwitchReason::externalCommand()); });
  ASSERT_TRUE(report);
  EXPECT_EQ(report->deviceNames, (std::vector<std::string>{"MX Keys S"}));
  EXPECT_EQ(report->notificationBody(), "Moving everything to \u201Coffice-pc\u201D.");

  harness.waitOrFail([&] { return showsDevices(harness, 1); });
  EXPECT_EQ(harness.lastSnapshot()->devices[0].name, "MX Master 3S");
  EXPECT_EQ(harness.logs().count("Devices: MX Master 3S (host 1)"), 1);
  EXPECT_EQ(deviceState(*world, "keyboard").at("computer"), "host3");
}

TEST(EngineOnVirtualDesk, ADeviceThatFallsAsleepIsDroppedAndFoundAgainWhenItWakes) {
  const auto world = std::make_shared<VirtualWorld>(instantRig());
  EngineHarness harness(computerOf(world, "host1"), {.maintenanceInterval = 1ms});
  // A sleeping device cannot be told from one that left, so with following on the keyboard would go.
  harness.start(false);

  world->setAwake("mouse", false);
  harness.waitOrFail([&] { return showsDevices(harness, 1); });
  EXPECT_EQ(harness.lastSnapshot()->devices[0].name, "MX Keys S");

  world->setAwake("mouse", true);
  harness.waitOrFail([&] { return showsDevices(harness, 2); });
  EXPECT_EQ(harness.lastSnapshot()->lifecycle, Lifecycle::running);
}

TEST(EngineOnVirtualDesk, AReceiverThatFallsSilentIsKeptAndItsDevicesComeBack) {
  const auto world = std::make_shared<VirtualWorld>(instantRig());
  EngineHarness harness(computerOf(world, "host1"), {.maintenanceInterval = 1ms});
  harness.start();

  world->setSilentReceiver("host1", true);
  harness.waitOrFail([&] { return showsDevices(harness, 0); });
  world->setSilentReceiver("host1", false);
  harness.waitOrFail([&] { return showsDevices(harness, 2); });
}

TEST(EngineOnVirtualDesk, ErrorFramesFromTheWheelAreLoggedAndTheConnectionStands) {
  const auto world = std::make_shared<VirtualWorld>(instantRig());
  world->setFeatureError("mouse", 0x2111, 0x05);
  EngineHarness harness(computerOf(world, "host1"));
  const auto running = harness.start();
  EXPECT_EQ(running.devices.size(), 2u);
  EXPECT_EQ(harness.logs().countStartingWith("Ratchet mode on MX Master 3S: Device 0x02 returned HID++ error 0x05"), 1);
}

TEST(EngineOnVirtualDesk, AWheelLeftDivertedIsGivenBackToNativeScrolling) {
  const auto world = std::make_shared<VirtualWorld>(instantRig("two-host-mouse.json"));
  EngineHarness harness(computerOf(world, "host1"));
  harness.start();

  EXPECT_EQ(harness.run([](Engine& engine) { return engine.divertedWheel(); }),
            (WheelDiversion{1, "M720 Triathlon", {1, 0, 0}}));
  EXPECT_TRUE(harness.run([](Engine& engine) { return engine.rescueWheel(); }));
  EXPECT_EQ(deviceState(*world, "mouse").at("hiResWheel").at("mode"), nlohmann::json::array({0, 0, 0}));
}

TEST(EngineOnVirtualDesk, AutomaticBindingsDivertTheEasySwitchKeysAndTheTopButtonAndAKeyMovesBothDevices) {
  const auto world = std::make_shared<VirtualWorld>(instantRig());
  EngineHarness harness(computerOf(world, "host1"));
  const auto running = harness.start();

  EXPECT_EQ(running.bindingSource, BindingSource::automatic);
  EXPECT_EQ(running.destinationHost, std::optional<std::uint8_t>(2));
  std::vector<std::pair<std::uint16_t, std::optional<std::uint8_t>>> planned;
  for (const auto& binding : running.bindings) planned.emplace_back(binding.cid, binding.switchToHost);
  EXPECT_EQ(planned, (std::vector<std::pair<std::uint16_t, std::optional<std::uint8_t>>>{
                         {0x00D1, 1}, {0x00D2, 2}, {0x00D3, 3}, {0x00C4, 2}}));
  for (const auto* cid : {"0x00D1", "0x00D2", "0x00D3"}) EXPECT_TRUE(diverted(*world, "keyboard", cid)) << cid;
  EXPECT_TRUE(diverted(*world, "mouse", "0x00C4"));
  EXPECT_FALSE(diverted(*world, "mouse", "0x00C3"));

  // Key 1 on host 1 changes nothing.
  click(*world, "keyboard", 0x00D1);
  harness.waitOrFail([&] { return harness.logs().count("Already on host 1; ignoring MX Keys S Easy-Switch 1") == 1; });

  click(*world, "keyboard", 0x00D2);
  harness.waitOrFail([&] { return lastSwitch(harness).has_value(); });
  EXPECT_EQ(*lastSwitch(harness), (SwitchReport{2, {"MX Keys S", "MX Master 3S"},
                                                SwitchReason::binding("MX Keys S Easy-Switch 2"), "travel-laptop"}));
  harness.waitOrFail([&] { return showsDevices(harness, 0); });
  EXPECT_EQ(deviceState(*world, "keyboard").at("computer"), "host2");
  EXPECT_EQ(deviceState(*world, "mouse").at("computer"), "host2");
}

TEST(EngineOnVirtualDesk, AStopHandsEveryDivertedControlBack) {
  const auto world = std::make_shared<VirtualWorld>(instantRig());
  EngineHarness harness(computerOf(world, "host1"));
  harness.start();
  ASSERT_TRUE(diverted(*world, "mouse", "0x00C4"));

  harness.stop();
  for (const auto* cid : {"0x00D1", "0x00D2", "0x00D3"}) EXPECT_FALSE(diverted(*world, "keyboard", cid)) << cid;
  EXPECT_FALSE(diverted(*world, "mouse", "0x00C4"));
}

TEST(EngineOnVirtualDesk, CommandBindingsRunTheirCommandAndReportAFailingOne) {
  const auto world = std::make_shared<VirtualWorld>(instantRig());
  EngineHarness harness(computerOf(world, "host1"));
  const auto marker = harness.configPath().parent_path() / "pressed";
  std::ofstream(harness.configPath()) << nlohmann::json{
      {"bindings",
       {{{"device", 2}, {"cid", 0xC4}, {"command", "touch '" + marker.string() + "'"}, {"name", "Mark"}},
        {{"device", 2}, {"cid", 0xC3}, {"command", "exit 3"}, {"name", "Fail"}}}}};
  const auto running = harness.start();
  ASSERT_EQ(running.bindingSource, BindingSource::manual);
  ASSERT_TRUE(diverted(*world, "mouse", "0x00C3"));
  EXPECT_FALSE(diverted(*world, "keyboard", "0x00D2"));

  click(*world, "mouse", 0xC4);
  harness.waitOrFail([&] { return std::filesystem::exists(marker); });
  click(*world, "mouse", 0xC3);
  harness.waitOrFail([&] { return lastFailure(harness).has_value(); });
  EXPECT_EQ(*lastFailure(harness), (EngineEvent::ActionFailed{"Fail", "exited with status 3"}));
  EXPECT_EQ(deviceState(*world, "mouse").at("computer"), "host1");
}

TEST(EngineOnVirtualDesk, ReloadingABindingsFileReplacesTheAutomaticBindingsAndReleasesTheirControls) {
  const auto world = std::make_shared<VirtualWorld>(instantRig());
  EngineHarness harness(computerOf(world, "host1"));
  harness.start();
  ASSERT_TRUE(diverted(*world, "keyboard", "0x00D2"));

  std::ofstream(harness.configPath()) << R"({"bindings": [{"device": 2, "cid": 195, "switchToHost": 3}]})";
  harness.run([](Engine& engine) { return engine.reload(); });
  const auto reloaded = harness.run([](Engine& engine) { return engine.snapshot(); });
  EXPECT_EQ(reloaded.bindingSource, BindingSource::manual);
  EXPECT_EQ(reloaded.destinationHost, std::nullopt);
  EXPECT_EQ(reloaded.bindings.size(), 1u);
  EXPECT_TRUE(diverted(*world, "mouse", "0x00C3"));
  EXPECT_FALSE(diverted(*world, "mouse", "0x00C4"));
  EXPECT_FALSE(diverted(*world, "keyboard", "0x00D2"));
}

TEST(EngineOnVirtualDesk, ADeviceLeavingOnItsOwnIsFollowedByTheOthers) {
  const auto world = std::make_shared<VirtualWorld>(instantRig());
  EngineHarness harness(computerOf(world, "host1"), {.maintenanceInterval = 1ms});
  harness.start();

  world->switchHost("mouse", 2);
  harness.waitOrFail([&] { return lastSwitch(harness).has_value(); });
  const auto report = *lastSwitch(harness);
  EXPECT_EQ(report.host, 2);
  EXPECT_EQ(report.deviceNames, (std::vector<std::string>{"MX Keys S"}));
  EXPECT_EQ(report.reason, SwitchReason::followLeader("MX Master 3S"));
  EXPECT_EQ(harness.logs().countStartingWith("Following MX Master 3S to "), 1);
  harness.waitOrFail([&] { return deviceState(*world, "keyboard").at("computer") == "host2"; });
}

TEST(EngineOnVirtualDesk, WithFollowingOffADeviceLeavingOnItsOwnGoesAlone) {
  const auto world = std::make_shared<VirtualWorld>(instantRig());
  EngineHarness harness(computerOf(world, "host1"), {.maintenanceInterval = 1ms});
  harness.start(false);

  world->switchHost("mouse", 2);
  harness.waitOrFail([&] { return showsDevices(harness, 1); });
  // Following would have been decided before the engine answers this.
  harness.run([](Engine& engine) { return engine.snapshot(); });
  harness.drain();
  EXPECT_FALSE(lastSwitch(harness).has_value());
  EXPECT_EQ(harness.logs().countStartingWith("Following"), 0);
  EXPECT_EQ(deviceState(*world, "keyboard").at("computer"), "host1");
}

// The built virtual receiver, served over sockets with the default rig's latencies.
TEST(EngineOnVirtualReceiver, WaitsForAnAbsentReceiverThenSwitchesBothDevicesOverTheWire) {
  TemporaryDirectory scratch;
  const auto served = scratch / "world";
  EngineHarness harness(openingWith([served] { return makeHidBackend(served / "host1"); }),
                        {.maintenanceInterval = 20ms});
  const auto absent = harness.start();
  EXPECT_EQ(absent.problem, EngineSnapshot::Problem::noReceiver);
  EXPECT_EQ(absent.lifecycle, Lifecycle::running);

  RunningProcess server(FLITBAR_VIRTUAL_RECEIVER,
                        {"serve", "--rig", rigPath("default.json"), "--dir", served.string()});
  ASSERT_TRUE(server.waitForOutput("serving 3 computers", std::chrono::seconds(20)));
  harness.waitOrFail([&] { return showsDevices(harness, 2); });

  const auto report = harness.run([](Engine& engine) { return engine.switchAll(2, SwitchReason::menu()); });
  ASSERT_TRUE(report);
  EXPECT_EQ(report->deviceNames.size(), 2u);
  harness.waitOrFail([&] { return showsDevices(harness, 0); });

  // The devices take a moment to arrive there; the laptop's engine finds them when they do.
  EngineHarness laptop(openingWith([served] { return makeHidBackend(served / "host2"); }),
                       {.maintenanceInterval = 20ms});
  laptop.start();
  laptop.waitOrFail([&] { return showsDevices(laptop, 2); });
  EXPECT_EQ(laptop.lastSnapshot()->thisHost(), 2);
  harness.stop();
  laptop.stop();
  server.signal(SIGTERM);
  EXPECT_EQ(server.wait(std::chrono::seconds(20)).status, 0);
}

}  // namespace
}  // namespace flitbar::testing
