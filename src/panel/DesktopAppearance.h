#pragma once

#include "panel/PanelAppearance.h"

#include <QDBusConnection>

namespace flitbar {

// Reads the accessibility settings through the desktop portal's settings interface on `bus`:
// animations from org.gnome.desktop.interface enable-animations or KDE's animation factor, contrast
// from org.freedesktop.appearance contrast or org.gnome.desktop.a11y.interface high-contrast. A
// setting no portal answers for counts as off.
PanelAppearance readDesktopAppearance(const QDBusConnection& bus);

}  // namespace flitbar
