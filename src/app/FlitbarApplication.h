#pragma once

#include "app/ApplicationEngine.h"
#include "app/StatusIconMood.h"
#include "config/ConfigStore.h"
#include "config/ConfigurationFileWatcher.h"
#include "config/InMemoryUserDefaults.h"
#include "config/UserDefaults.h"
#include "engine/EngineSnapshot.h"
#include "platform/DesktopObservation.h"
#include "platform/ProcessTable.h"
#include "platform/RunningApplications.h"
#include "shell/ApplicationContext.h"
#include "shell/RoutedApplication.h"
#include "shell/StatusMenuSetting.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace flitbar {

// The product: its commands and checks, and the coordinator of the running application, which
// stands between the engine and everything the user sees.
//
// The coordinator lives on the main thread. It owns the engine (through ApplicationEngine), the
// bindings-file watcher and the desktop's lock and wake observation; it keeps the latest snapshot
// and derives the status text, icon mood, tool tip, notifications and the wheel-rescue offer from
// it. Every closure it hands out holds it weakly and does nothing once it is gone. Results that
// can arrive late (the wheel probe) are checked against `deviceSetRevision`.
class FlitbarApplication : public RoutedApplication {
 public:
  // Makes the engine; `log` takes its lines at info level.
  using EngineFactory = std::function<std::unique_ptr<ApplicationEngine>(Logging& log)>;

  // What the running application is made of. The command line needs none of it; `start` needs
  // both factories.
  struct Parts {
    std::shared_ptr<UserDefaults> defaults = std::make_shared<InMemoryUserDefaults>();
    EngineFactory makeEngine;
    DesktopObserver observeDesktop;
    EngineSnapshot snapshot = EngineSnapshot::empty();
  };

  // `bindings` is the bindings file the checks judge and the watcher follows; the two process
  // views find programs that would fight for the receiver. Both views must outlive the application.
  FlitbarApplication(AppIdentity identity, ConfigStore bindings, RunningApplications& runningApplications,
                     ProcessTable& processes, Parts parts);
  // For the command line alone.
  FlitbarApplication(AppIdentity identity, ConfigStore bindings, RunningApplications& runningApplications,
                     ProcessTable& processes);
  ~FlitbarApplication() override;

  // Command line.
  const AppIdentity& identity() const override { return identity_; }
  std::vector<CLICommandHelp> commandHelp() const override;
  // Configuration location, vendor agent, other HID++ tools, then the bindings file. Reads the file
  // system and the process lists only; never opens the receiver.
  std::vector<DiagnosticCheck> diagnosticChecks() override;
  std::optional<CLIResult> handleCLI(const std::vector<std::string>& arguments) override;
  int runMenubarApplication(int argc, char** argv) override;

  // Running application: started once with the host's context, stopped once. Throws
  // std::logic_error when the application was made without an engine or desktop observer.
  void start(const ApplicationContext& context);
  void stop();
  void receive(const EngineEvent& event);

  // Outside signals.
  // A relayed request; an absent host (one that could not be read) is ignored.
  void receiveSwitchRequest(std::optional<std::uint8_t> host);
  void receiveScreenLocked();
  void receiveWake();
  // The bindings file changed.
  void reload();

  // What the status item shows.
  std::string statusDescription() const;
  StatusIconMood statusIconMood() const;
  std::vector<StatusMenuSetting> contextMenuSettings(const ApplicationContext& context);

  // Panel actions.
  void switchAll(int host);
  void setDestination(int host);
  void setHost(int host, bool hidden);
  void rescueWheel(std::int64_t revision);

  // Panel queries.
  // The user's or the devices' name for the host in curly quotes, else "host N".
  std::string hostLabel(int host) const;
  // While every device is away, the last known values, so the host list stays put.
  int effectiveHostCount() const;
  std::optional<int> effectiveThisHost() const;
  // The user's name for the first device called `name`, else `name`.
  std::string localDeviceName(const std::string& name) const;
  void refreshPanel();

  const EngineSnapshot& snapshot() const { return snapshot_; }
  const std::optional<WheelDiversion>& wheelDiversion() const { return wheelDiversion_; }
  std::int64_t deviceSetRevision() const { return deviceSetRevision_; }
  bool wheelWriteInProgress() const { return wheelWriteInProgress_; }
  std::optional<int> editingHost;
  std::optional<std::string> editingDeviceKey;

 private:
  // Wraps `work` so that it does nothing once the application is gone.
  template <typename Work>
  auto guarded(Work work) {
    return [alive = std::weak_ptr<char>(alive_), work = std::move(work)](auto&&... arguments) {
      if (!alive.expired()) work(std::forward<decltype(arguments)>(arguments)...);
    };
  }

  void refreshWheelDiversion();
  void noteConnectionEdge();
  void noteLowBatteries();
  void updateStatusToolTip();
  void noteSwitch(SwitchReport report);
  void post(const std::string& title, const std::string& body, const std::string& identifier, InterruptionLevel level,
            const std::string& failurePrefix);
  void migrateNotificationSwitch();
  void toggleNotifications();
  void observeBindingsFile();
  Logging* logger() const;

  AppIdentity identity_;
  ConfigStore bindings_;
  RunningApplications& runningApplications_;
  ProcessTable& processes_;
  std::shared_ptr<UserDefaults> defaultsStore_;
  UserDefaults& defaults_;
  EngineFactory makeEngine_;
  DesktopObserver observeDesktop_;

  std::unique_ptr<ApplicationEngine> engine_;
  EngineSnapshot snapshot_;
  std::optional<ApplicationContext> context_;
  std::optional<WheelDiversion> wheelDiversion_;
  std::optional<std::string> deviceSetKey_;
  std::int64_t deviceSetRevision_ = 0;
  bool wheelWriteInProgress_ = false;
  bool connectionWasHealthy_ = true;
  bool seenFirstSnapshot_ = false;
  std::map<std::string, int> lowBatteryWarned_;
  std::unique_ptr<ConfigurationFileWatcher> configWatcher_;
  std::unique_ptr<DesktopObservation> desktop_;
  int lastKnownHostCount_ = 0;
  std::optional<int> lastKnownThisHost_;
  std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace flitbar
