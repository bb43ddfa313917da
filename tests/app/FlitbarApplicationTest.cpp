#include "app/ApplicationFakes.h"
#include "app/FakeDesktopServices.h"
#include "app/FlitbarApplication.h"
#include "config/Settings.h"
#include "support/FakeProcessViews.h"
#include "support/NullLaunchAtLogin.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

using namespace flitbar::testing;
using Lifecycle = EngineSnapshot::Lifecycle;

DeviceInfo device(std::uint8_t index, std::string name, std::optional<int> battery = std::nullopt) {
  DeviceInfo info{index,        std::move(name), 0x0A, 3, 0, 0x0B, "AA:BB:CC:0" + std::to_string(index),
                  std::nullopt, std::nullopt};
  if (battery) info.battery = DeviceBattery{*battery, false};
  return info;
}

EngineSnapshot running(std::vector<DeviceInfo> devices, std::optional<std::string> error = std::nullopt) {
  EngineSnapshot snapshot;
  snapshot.lifecycle = Lifecycle::running;
  snapshot.devices = std::move(devices);
  snapshot.lastError = std::move(error);
  return snapshot;
}

class Coordinator : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ensureQtApplication(); }

  void SetUp() override {
    defaults->set(Settings::notificationsEnabledKey(identity.bundleIdentifier), true);
    launch();
  }
  void TearDown() override { application->stop(); }

  // A fresh coordinator, started.
  void launch() {
    application = std::make_unique<FlitbarApplication>(
        identity, ConfigStore{(folder / "bindings.json").string()}, applications, processes,
        FlitbarApplication::Parts{defaults,
                                  [this](Logging&) {
                                    auto made = std::make_unique<FakeEngine>();
                                    engine = made.get();
                                    return made;
                                  },
                                  [](auto, auto, Logging&) { return std::make_unique<DesktopObservation>(); }});
    application->start(context);
    ASSERT_TRUE(engine->handler);
  }

  void publish(const EngineSnapshot& snapshot) { engine->handler(EngineEvent::snapshot(snapshot)); }
  std::vector<std::string> bodies() const {
    std::vector<std::string> found;
    for (const auto& request : center.requests) found.push_back(request.body);
    return found;
  }

  AppIdentity identity = AppIdentity::running(MainBundle{});
  TemporaryDirectory folder;
  FakeRunningApplications applications;
  FakeProcessTable processes;
  std::shared_ptr<InMemoryUserDefaults> defaults = std::make_shared<InMemoryUserDefaults>();
  FakeEngine* engine = nullptr;
  RecordingCenter center;
  RecordingLogger logger;
  NotificationService notifications{identity, *defaults, center, [] { return std::nullopt; }};
  NullLaunchAtLogin launchAtLogin;
  std::shared_ptr<RecordingHost> host = std::make_shared<RecordingHost>();
  ApplicationContext context{identity, logger, notifications, launchAtLogin, host};
  std::unique_ptr<FlitbarApplication> application;
};

TEST_F(Coordinator, ConnectionEdgesNotifyOnlyOnChangeAfterTheFirstSnapshot) {
  struct Case {
    std::vector<std::optional<std::string>> errors;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases{
      {{"No Logitech receiver found."}, {}},
      {{"gone", std::nullopt}, {"Receiver is reachable again."}},
      {{std::nullopt, "gone", "gone"}, {"Receiver unreachable: gone"}},
      {{std::nullopt, std::nullopt}, {}},
  };
  for (const auto& [errors, expected] : cases) {
    application->stop();
    center.requests.clear();
    launch();
    for (const auto& error : errors) publish(running({device(1, "K")}, error));
    EXPECT_EQ(bodies(), expected);
  }
  for (const auto& request : center.requests) EXPECT_EQ(request.identifier, "flitbar-connection");
}

TEST_F(Coordinator, LowBatteryWarnsAtTwentyAndReArmsOnlyFromTwentySix) {
  for (const int percent : {30, 24, 19, 18, 23, 26, 20}) publish(running({device(1, "Mouse", percent)}));
  EXPECT_EQ(bodies(), (std::vector<std::string>{"Mouse battery is at 19%.", "Mouse battery is at 20%."}));
  EXPECT_EQ(center.requests.at(0).identifier, "flitbar-battery-1:AA:BB:CC:01");
  EXPECT_EQ(center.requests.at(0).level, InterruptionLevel::passive);
  EXPECT_EQ(host->toolTip, "Flitbar \u2014 Mouse 20%");
}

TEST_F(Coordinator, WheelProbeRunsOncePerDeviceSetAndDropsLateAnswers) {
  const auto one = running({device(1, "K")});
  publish(one);
  publish(one);
  ASSERT_EQ(engine->probes.size(), 1u) << "an identical snapshot must not probe again";
  publish(running({device(1, "K"), device(2, "M")}));
  ASSERT_EQ(engine->probes.size(), 2u);
  engine->probes[0](WheelDiversion{1, "K", {1, 0, 0}});
  EXPECT_EQ(application->wheelDiversion(), std::nullopt) << "an answer about an earlier device set";
  engine->probes[1](WheelDiversion{2, "M", {1, 0, 0}});
  EXPECT_EQ(application->wheelDiversion()->deviceIndex, 2);

  const auto revision = application->deviceSetRevision();
  publish(running({}, "gone"));
  EXPECT_EQ(application->wheelDiversion(), std::nullopt);
  application->rescueWheel(revision);
  EXPECT_EQ(logger.lines.back(),
            "warning Wheel rescue skipped: the connected devices changed; open the panel and try again");
}

TEST_F(Coordinator, SwitchRequestsWithoutAHostAreIgnoredAndRefusalsLogged) {
  application->receiveSwitchRequest(std::nullopt);
  EXPECT_TRUE(engine->switches.empty());
  application->receiveSwitchRequest(3);
  ASSERT_EQ(engine->switches.size(), 1u);
  EXPECT_EQ(engine->switches[0].first, 3);
  engine->switches[0].second(std::nullopt);
  EXPECT_EQ(logger.lines,
            std::vector<std::string>{"warning Switch to host 3 from the CLI was refused by the receiver"});
}

TEST_F(Coordinator, SwitchedFlashesTheHostAndNamesItTheUsersWay) {
  publish(running({device(1, "K")}));
  Settings::setHostName("Desk", 2, *defaults);
  engine->handler(EngineEvent::switched(SwitchReport{2, {"K"}, SwitchReason::menu(), std::nullopt}));
  EXPECT_EQ(host->flashes, std::vector<std::string>{"2"});
  EXPECT_EQ(bodies(), std::vector<std::string>{"Moving everything to \u201CDesk\u201D."});
  engine->handler(EngineEvent::actionFailed("Open notes", "exit 1"));
  engine->handler(EngineEvent::actionFailed("Open notes", "exit 1"));
  ASSERT_EQ(center.requests.size(), 3u);
  EXPECT_EQ(center.requests[1].title, "Flitbar Action Failed");
  EXPECT_NE(center.requests[1].identifier, center.requests[2].identifier);
}

TEST_F(Coordinator, StatusTextAndMoodFollowTheSnapshot) {
  struct Case {
    EngineSnapshot snapshot;
    std::string description;
    StatusIconMood mood;
  };
  EngineSnapshot starting;
  starting.lifecycle = Lifecycle::starting;
  auto moving = running({});
  moving.movingToHost = 2;
  const std::vector<Case> cases{
      {running({}, "No receiver."), "Flitbar, No receiver.", StatusIconMood::unreachable},
      {starting, "Flitbar, connecting", StatusIconMood::capturing},
      {moving, "Flitbar, moving to host 2", StatusIconMood::capturing},
      {running({}), "Flitbar, devices are on another computer", StatusIconMood::released},
      {running({device(1, "K")}), "Flitbar", StatusIconMood::capturing},
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
