#include "shell/StatusItemContextMenu.h"

#include <QAction>
#include <QMenu>

namespace flitbar {

namespace {

void addEntry(QMenu& menu, const QString& title, const std::function<void()>& action) {
  QAction* entry = menu.addAction(title);
  QObject::connect(entry, &QAction::triggered, &menu, [action] { action(); });
}

}  // namespace

void StatusItemContextMenu::build(QMenu& menu, const QString& appName, const std::vector<StatusMenuSetting>& settings,
                                  const Actions& actions) {
  menu.clear();
  addEntry(menu, QStringLiteral("Open ") + appName, actions.openPanel);
  menu.addSeparator();
  for (const StatusMenuSetting& setting : settings) {
    QAction* entry = menu.addAction(QString::fromStdString(setting.title));
    entry->setCheckable(true);
    entry->setChecked(setting.isOn);
    entry->setEnabled(setting.enabled);
    QObject::connect(entry, &QAction::triggered, &menu, [action = setting.action] { action(); });
  }
  if (!settings.empty()) menu.addSeparator();
  if (actions.hideIcon) addEntry(menu, QStringLiteral("Hide Tray Icon"), actions.hideIcon);
  addEntry(menu, QStringLiteral("About ") + appName, actions.showAbout);
  addEntry(menu, QStringLiteral("Quit ") + appName, actions.quit);
}

}  // namespace flitbar
