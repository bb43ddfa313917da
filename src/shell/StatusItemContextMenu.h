#pragma once

#include "shell/StatusMenuSetting.h"

#include <QString>

#include <functional>
#include <vector>

class QMenu;

namespace flitbar {

// The tray icon's context menu. The desktop's panel draws it (also on Wayland), so it is kept
// current in place rather than built at the click.
class StatusItemContextMenu {
 public:
  // What the fixed entries do; `openPanel` is first because some desktops open this menu on a
  // left click, where it is the only way to the panel.
  struct Actions {
    std::function<void()> openPanel;
    std::function<void()> hideIcon;
    std::function<void()> showAbout;
    std::function<void()> quit;
  };

  // Replaces the entries of `menu`: "Open <name>", the settings, "Hide Tray Icon" (only with a
  // hide action), "About <name>", "Quit <name>". Deletes the old entries, so never call it from
  // inside one of their actions: queue it instead.
  static void build(QMenu& menu, const QString& appName, const std::vector<StatusMenuSetting>& settings,
                    const Actions& actions);
};

}  // namespace flitbar
