#pragma once

#include "app/ApplicationFakes.h"
#include "app/FlitbarApplication.h"
#include "support/FakeProcessViews.h"
#include "support/NullLaunchAtLogin.h"
#include "support/TemporaryDirectory.h"

#include <memory>

namespace flitbar::testing {

// Everything the application coordinator needs around it, recorded: a fake engine, notifications,
// the status host and in-memory settings; no desktop is observed.
struct ApplicationWorld {
  // A new coordinator, started; `engine` is its engine.
  std::unique_ptr<FlitbarApplication> start() {
    auto makeEngine = [this](Logging&) { return std::unique_ptr<ApplicationEngine>(engine = new FakeEngine); };
    auto noDesktop = [](auto, auto, Logging&) { return std::make_unique<DesktopObservation>(); };
    auto application =
        std::make_unique<FlitbarApplication>(identity, ConfigStore{(folder / "bindings.json").string()}, applications,
                                             processes, FlitbarApplication::Parts{defaults, makeEngine, noDesktop});
    application->start(context);
    return application;
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
};

}  // namespace flitbar::testing
