#pragma once

#include "app/StatusIconMood.h"
#include "config/UserDefaults.h"
#include "logging/Logging.h"
#include "shell/AboutWindowController.h"
#include "shell/AppIdentity.h"
#include "shell/StatusItem.h"
#include "shell/StatusMenuSetting.h"
#include "shell/StatusPanelController.h"
#include "shell/TrayAvailability.h"

#include <QMenu>
#include <QObject>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace flitbar {

// The application's presence on the desktop: the tray icon once a tray exists (with its context
// menu, flash text and tool tip), the panel it opens and the About window. Without any tray it
// says so once and opens the panel as an ordinary window when the application is started again.
// Main thread only.
class TrayPresence : public QObject {
  Q_OBJECT
 public:
  // What it asks of the coordinator, each on demand.
  struct Coordinator {
    std::function<StatusIconMood()> mood;
    std::function<std::vector<StatusMenuSetting>()> settings;
    // The panel's content, owned by the coordinator.
    std::function<QWidget*()> panelContent;
    std::function<void()> quit;
  };
  struct Environment {
    Logging& logger;
    UserDefaults& defaults;
    // A desktop notification that there is no tray; sent at most once per user.
    std::function<void()> announceNoTray;
    // Started by the autostart entry: an icon the user hid stays hidden.
    bool launchedAtLogin = false;
    std::chrono::milliseconds trayPatience{10000};
  };

  TrayPresence(AppIdentity identity, Coordinator coordinator, Environment environment, QObject* parent = nullptr);
  ~TrayPresence() override;

  // Starts waiting for a tray; touches no tray API before one is there.
  void start();

  void refresh();
  void flash(const std::string& text, double seconds);
  void setToolTip(const std::string& text);
  void hidePanel();
  // Places a shown panel again for its content's current size.
  void repositionPanel();
  void reopen();
  void togglePanel();
  void showAbout();

 private:
  void createItem();
  void trayMissing();
  void hideIcon();
  void showPanel(StatusPanelController& panel);
  QWidget* content();
  void rebuildMenu();
  void storeHidden(bool hidden);

  AppIdentity identity_;
  Coordinator coordinator_;
  Environment environment_;
  TrayAvailability availability_;
  QMenu menu_;
  std::unique_ptr<StatusItem> item_;
  QString toolTip_;
  StatusPanelController panel_;
  std::unique_ptr<StatusPanelController> window_;
  AboutWindowController about_;
  bool menuRebuildQueued_ = false;
  // What the menu shows now.
  std::optional<std::string> menuState_;
};

}  // namespace flitbar
