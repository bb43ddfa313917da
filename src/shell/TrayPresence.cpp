#include "shell/TrayPresence.h"

#include "platform/linux/XdgPaths.h"
#include "shell/DesktopMotion.h"
#include "shell/StatusItemContextMenu.h"
#include "shell/X11Selection.h"

#include <QCursor>
#include <QDBusConnection>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QTimer>

#include <cmath>

namespace flitbar {

namespace {

// Remembered so that a login launch keeps an icon the user hid.
constexpr const char* statusItemHiddenKey = "statusItemHidden";
constexpr const char* noTrayAnnouncedKey = "noTrayAnnounced";

StatusPanelController::Style panelStyle() {
  const bool wayland = QGuiApplication::platformName().startsWith(QStringLiteral("wayland"));
  StatusPanelController::Style style;
  style.translucent = wayland || X11Selection::hasScreenOwner("_NET_WM_CM_S");
  style.reducedMotion = DesktopMotion::reduced(XdgPaths::configHome());
  return style;
}

}  // namespace

TrayPresence::TrayPresence(AppIdentity identity, Coordinator coordinator, Environment environment, QObject* parent)
    : QObject(parent),
      identity_(std::move(identity)),
      coordinator_(std::move(coordinator)),
      environment_(std::move(environment)),
      availability_(QDBusConnection::sessionBus(), environment_.trayPatience,
                    [] { return X11Selection::hasScreenOwner("_NET_SYSTEM_TRAY_S"); }),
      panel_(panelStyle()),
      about_(identity_, [](const QUrl& url) { QDesktopServices::openUrl(url); }) {
  connect(&availability_, &TrayAvailability::ready, this, &TrayPresence::createItem);
  connect(&availability_, &TrayAvailability::missing, this, &TrayPresence::trayMissing);
}

TrayPresence::~TrayPresence() = default;

void TrayPresence::start() { availability_.start(); }

void TrayPresence::createItem() {
  item_ = std::make_unique<StatusItem>(menu_);
  connect(item_.get(), &StatusItem::clicked, this, &TrayPresence::togglePanel);
  item_->setToolTip(toolTip_.isEmpty() ? QString::fromStdString(identity_.name) : toolTip_);
  // A hidden icon comes back on a start by the user, not on a login launch.
  const bool hidden = environment_.defaults.boolean(statusItemHiddenKey).value_or(false);
  if (hidden && !environment_.launchedAtLogin) storeHidden(false);
  item_->setVisible(!hidden || !environment_.launchedAtLogin);
  refresh();
}

void TrayPresence::trayMissing() {
  environment_.logger.warning("No system tray found: " + identity_.name +
                              " keeps running without an icon; start it again to open its panel");
  if (environment_.defaults.boolean(noTrayAnnouncedKey).value_or(false)) return;
  environment_.defaults.set(noTrayAnnouncedKey, true);
  environment_.announceNoTray();
}

void TrayPresence::refresh() {
  if (item_) item_->setMood(coordinator_.mood());
  rebuildMenu();
  for (StatusPanelController* shown : {&panel_, window_.get()}) {
    if (!shown || !shown->isVisible()) continue;
    shown->setContent(content());
    shown->reposition();
  }
}

void TrayPresence::rebuildMenu() {
  // Queued: a menu entry's own action may be what asked for the refresh.
  if (menuRebuildQueued_) return;
  menuRebuildQueued_ = true;
  QTimer::singleShot(0, this, [this] {
    menuRebuildQueued_ = false;
    std::vector<StatusMenuSetting> settings = coordinator_.settings();
    // A setting's state shows in the menu, so the menu follows every change of one.
    for (StatusMenuSetting& setting : settings) {
      setting.action = [this, action = std::move(setting.action)] {
        action();
        rebuildMenu();
      };
    }
    // Rebuilt only on a change: a rebuild renumbers the entries, which resets a menu the panel shows.
    std::string menuState;
    for (const StatusMenuSetting& setting : settings) {
      menuState += setting.title + (setting.isOn ? "+" : "-") + (setting.enabled ? "+" : "-") + '\n';
    }
    if (menuState == menuState_) return;
    menuState_ = menuState;
    StatusItemContextMenu::build(
        menu_, QString::fromStdString(identity_.name), settings,
        {[this] { showPanel(panel_); }, [this] { hideIcon(); }, [this] { showAbout(); }, coordinator_.quit});
  });
}

void TrayPresence::flash(const std::string& text, double seconds) {
  if (!item_) return;
  item_->flash(QString::fromStdString(text),
               std::chrono::milliseconds(static_cast<std::int64_t>(std::llround(seconds * 1000))));
}

void TrayPresence::setToolTip(const std::string& text) {
  toolTip_ = QString::fromStdString(text);
  if (item_) item_->setToolTip(toolTip_);
}

void TrayPresence::hidePanel() {
  panel_.hide();
  if (window_) window_->hide();
}

void TrayPresence::repositionPanel() {
  for (StatusPanelController* shown : {&panel_, window_.get()}) {
    if (shown && shown->isVisible()) shown->reposition();
  }
}

void TrayPresence::reopen() {
  if (!item_) {
    if (!window_) window_ = std::make_unique<StatusPanelController>(StatusPanelController::Style{.normalWindow = true});
    showPanel(*window_);
    return;
  }
  if (item_->isVisible()) return;
  item_->setVisible(true);
  storeHidden(false);
  environment_.logger.info("Status item restored on reopen");
}

void TrayPresence::togglePanel() {
  if (panel_.isVisible()) return panel_.hide();
  showPanel(panel_);
}

void TrayPresence::showPanel(StatusPanelController& panel) {
  // The pointer is where the click was when the tray does not tell where its icon is.
  const QRect anchor = item_ && item_->geometry() ? *item_->geometry() : QRect(QCursor::pos(), QSize(1, 1));
  panel.show(content(), anchor);
}

void TrayPresence::hideIcon() {
  hidePanel();
  if (item_) item_->setVisible(false);
  storeHidden(true);
  environment_.logger.info("Status item hidden from the menu");
}

void TrayPresence::showAbout() { about_.show(); }

QWidget* TrayPresence::content() { return coordinator_.panelContent(); }

void TrayPresence::storeHidden(bool hidden) { environment_.defaults.set(statusItemHiddenKey, hidden); }

}  // namespace flitbar
