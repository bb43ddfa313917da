#include "app/ApplicationWorld.h"
#include "config/Settings.h"
#include "support/Builders.h"
#include "support/FakeDesktopServices.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

using namespace flitbar::testing;

EngineSnapshot reporting(std::optional<std::string> error, std::vector<DeviceInfo> devices = {device(1)}) {
  auto snapshot = runningWith(std::move(devices));
  snapshot.lastError = std::move(error);
  return snapshot;
}

DeviceInfo mouseAt(int percent) {
  auto mouse = named(device(1, 3, 0, "AA:BB:CC:01"), "Mouse");
  mouse.battery = DeviceBattery{percent, false};
  return mouse;
}

// The coordinator over an engine that answers only when the test says so.
class Coordinator : public ::testing::Test, public ApplicationWorld {
 protected:
  static void SetUpTestSuite() { ensureQtApplication(); }
  void SetUp() override {
    defaults->set(Settings::notificationsEnabledKey(identity.bundleIdentifier), true);
    launch();
  }
  void TearDown() override { application->stop(); }

  // A fresh coordinator, started, with nothing posted yet.
  void launch() {
    if (application) application->stop();
    center.requests.clear();
    application = start();
    ASSERT_TRUE(engine->handler);
  }
  void publish(const EngineSnapshot& snapshot) { engine->handler(EngineEvent::snapshot(snapshot)); }
  std::vector<std::string> bodies() const {
    std::vector<std::string> found;
    for (const auto& request : center.requests) found.push_back(request.body);
    return found;
  }

  std::unique_ptr<FlitbarApplication> application;
};

TEST_F(Coordinator, NotificationsFollowConnectionEdgesAndLowBatteries) {
  struct Case {
    std::vector<EngineSnapshot> snapshots;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases{
      {{reporting("No Logitech receiver found.")}, {}},
      {{reporting("gone"), reporting(std::nullopt)}, {"Receiver is reachable again."}},
      {{reporting(std::nullopt), reporting("gone"), reporting("gone")}, {"Receiver unreachable: gone"}},
      // Warned at 20% or below, again only after climbing to 26%.
      {{runningWith({mouseAt(21)}), runningWith({mouseAt(19)}), runningWith({mouseAt(25)}), runningWith({mouseAt(20)}),
        runningWith({mouseAt(26)}), runningWith({mouseAt(20)})},
       {"Mouse battery is at 19%.", "Mouse battery is at 20%."}},
  };
  for (const auto& [snapshots, expected] : cases) {
    launch();
    for (const auto& snapshot : snapshots) publish(snapshot);
    EXPECT_EQ(bodies(), expected);
  }
  EXPECT_EQ(center.requests.at(0).identifier, "flitbar-battery-1:AA:BB:CC:01");
  EXPECT_EQ(center.requests.at(0).level, InterruptionLevel::passive);
  EXPECT_EQ(host->toolTip, "Flitbar \u2014 Mouse 20%");
}

TEST_F(Coordinator, WheelProbeRunsOncePerDeviceSetAndDropsLateAnswers) {
  publish(runningWith({device(1)}));
  publish(runningWith({device(1), device(2)}));
  ASSERT_EQ(engine->probes.size(), 2u) << "an identical snapshot must not probe again";
  engine->probes[0](WheelDiversion{1, "Device 1", {1, 0, 0}});
  EXPECT_EQ(application->wheelDiversion(), std::nullopt) << "an answer about an earlier device set";
  engine->probes[1](WheelDiversion{2, "Device 2", {1, 0, 0}});
  EXPECT_EQ(application->wheelDiversion()->deviceIndex, 2);

  const auto revision = application->deviceSetRevision();
  publish(reporting("gone", {}));
  EXPECT_EQ(application->wheelDiversion(), std::nullopt);
  application->rescueWheel(revision);
  EXPECT_EQ(engine->rescues, 0) << "a rescue asked for on an earlier device set";
  application->rescueWheel(application->deviceSetRevision());
  EXPECT_EQ(engine->rescues, 1);
}

TEST_F(Coordinator, SwitchesAreFlashedAndNamedTheUsersWayAndEveryFailedActionStaysVisible) {
  publish(runningWith({device(1)}));
  Settings::setHostName("Desk", 2, *defaults);
  engine->handler(EngineEvent::switched(SwitchReport{2, {"K"}, SwitchReason::menu(), std::nullopt}));
  EXPECT_EQ(host->flashes, std::vector<std::string>{"2"});
  EXPECT_EQ(bodies(), std::vector<std::string>{"Moving everything to \u201CDesk\u201D."});
  engine->handler(EngineEvent::actionFailed("Open notes", "exit 1"));
  engine->handler(EngineEvent::actionFailed("Open notes", "exit 1"));
  ASSERT_EQ(center.requests.size(), 3u);
  EXPECT_EQ(center.requests[1].title, "Flitbar Action Failed");
  EXPECT_NE(center.requests[1].identifier, center.requests[2].identifier) << "each failure stays visible";
}

TEST_F(Coordinator, StatusTextAndMoodFollowTheSnapshot) {
  EngineSnapshot starting;
  starting.lifecycle = EngineSnapshot::Lifecycle::starting;
  auto moving = runningWith({});
  moving.movingToHost = 2;
  const std::vector<std::tuple<EngineSnapshot, std::string, StatusIconMood>> cases{
      {reporting("No receiver.", {}), "Flitbar, No receiver.", StatusIconMood::unreachable},
      {starting, "Flitbar, connecting", StatusIconMood::capturing},
      {moving, "Flitbar, moving to host 2", StatusIconMood::capturing},
      {runningWith({}), "Flitbar, devices are on another computer", StatusIconMood::released},
      {runningWith({device(1)}), "Flitbar", StatusIconMood::capturing},
  };
  for (const auto& [snapshot, description, mood] : cases) {
    publish(snapshot);
    EXPECT_EQ(application->statusDescription(), description);
    EXPECT_EQ(application->statusIconMood(), mood) << description;
  }
  EXPECT_EQ(application->effectiveHostCount(), 3) << "devices away keep the last known host count";
  EXPECT_EQ(application->effectiveThisHost(), 1);
}

}  // namespace
}  // namespace flitbar
