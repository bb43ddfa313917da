#include "shell/MenubarHost.h"

#include "app/FlitbarApplication.h"
#include "logging/FileLogger.h"
#include "panel/PanelContentView.h"
#include "platform/dbus/ApplicationBus.h"
#include "platform/dbus/FreedesktopNotificationCenter.h"
#include "shell/AppHost.h"
#include "shell/LaunchAtLoginService.h"
#include "shell/TerminationSignals.h"
#include "shell/TrayPresence.h"

#include <QApplication>
#include <QTimer>

#include <unistd.h>

#include <chrono>

namespace flitbar {
namespace {

constexpr std::int64_t logMaximumBytes = 1'048'576;

}  // namespace

MenubarHost::MenubarHost(FlitbarApplication& application, Logging& logger)
    : application_(application), logger_(logger) {}

int MenubarHost::run(FlitbarApplication& application, UserDefaults& defaults, int argc, char** argv) {
  // Taken before anything is started, so that no child inherits the mark.
  const bool launchedAtLogin = LaunchAtLoginService::takeLoginLaunchMark();
  TerminationSignals terminationSignals;
  QApplication qtApplication(argc, argv);
  const auto& identity = application.identity();
  QApplication::setApplicationName(QString::fromStdString(identity.name));
  QApplication::setApplicationVersion(QString::fromStdString(identity.version));
  QApplication::setDesktopFileName(QString::fromStdString(identity.bundleIdentifier));
  QApplication::setQuitOnLastWindowClosed(false);

  ApplicationBus bus(identity.bundleIdentifier, ::getuid());
  const auto claim = bus.claim();
  if (claim == ApplicationBus::Claim::alreadyRunning) {
    if (ApplicationBus::reopenRunning(identity.bundleIdentifier)) return 0;
    AppHost::write("error: " + identity.name + " is already running but did not answer.\n", STDERR_FILENO);
    return 1;
  }

  FileLogger logger(identity.logURL(), logMaximumBytes);
  logger.info("Starting " + identity.name + " " + identity.version + " (" + identity.build + ")");
  if (claim == ApplicationBus::Claim::noBus)
    logger.warning("No session bus: a second start, switch requests and notifications cannot reach this one");

  FreedesktopNotificationCenter center(QDBusConnection::sessionBus(), identity.name, identity.bundleIdentifier);
  NotificationService notifications(identity, defaults, center, [bundleIdentifier = identity.bundleIdentifier] {
    return MainBundle::ofRunningProcess(bundleIdentifier).identifier;
  });
  LaunchAtLoginService launchAtLogin(LaunchAtLoginService::entryPath(identity.bundleIdentifier),
                                     std::filesystem::read_symlink("/proc/self/exe"), identity.name);
  const auto host = std::make_shared<MenubarHost>(application, logger);
  const ApplicationContext context{identity, logger, notifications, launchAtLogin, host};
  TrayPresence tray(
      identity,
      {[&application] { return application.statusIconMood(); },
       [&application, &context] { return application.contextMenuSettings(context); },
       [&application, &context, &tray]() -> QWidget* {
         PanelContentView* view = application.statusPanel(context);
         // The view animates its own height; the window follows it frame by frame.
         view->setOnResize([&tray](bool) { tray.repositionPanel(); });
         return view;
       },
       [] { QCoreApplication::exit(0); }},
      {logger, defaults,
       [&center, &identity] {
         center.add({"flitbar-no-tray", identity.name,
                     "No system tray was found. " + identity.name + " keeps running; start it again to open its panel.",
                     identity.bundleIdentifier, InterruptionLevel::active},
                    [](std::optional<std::string>) {});
       },
       launchedAtLogin});
  host->attachTray(&tray);
  tray.start();

  bus.onSwitchRequest = [&application](std::uint8_t request) { application.receiveSwitchRequest(request); };
  bus.onReopen = [weak = std::weak_ptr<MenubarHost>(host)] {
    if (const auto shown = weak.lock()) shown->reopen();
  };
  application.start(context);
  host->refreshStatusItem();
  terminationSignals.quitApplicationOnSignal();
  QApplication::exec();

  bus.onSwitchRequest = nullptr;
  application.stop();
  host->attachTray(nullptr);
  logger.info("Stopped " + identity.name);
  return 0;
}

void MenubarHost::refreshStatusItem() {
  if (tray_) tray_->refresh();
}

void MenubarHost::flashStatusText(const std::string& text, double seconds) {
  if (tray_) tray_->flash(text, seconds);
  const auto generation = ++statusTextGeneration_;
  statusText_ = text;
  const auto delay = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::duration<double>(seconds));
  QTimer::singleShot(delay, [weak = weak_from_this(), generation] {
    const auto host = weak.lock();
    // A newer flash owns the text now; its own timer clears it.
    if (!host || host->statusTextGeneration_ != generation) return;
    host->statusText_.clear();
  });
}

void MenubarHost::updateStatusToolTip(const std::string& text) {
  toolTip_ = text;
  if (tray_) tray_->setToolTip(text);
}

void MenubarHost::hidePanel() {
  if (tray_) tray_->hidePanel();
}

void MenubarHost::reopen() {
  if (tray_) return tray_->reopen();
  logger_.info("Asked to reopen while running; there is no status item to show");
}

}  // namespace flitbar
