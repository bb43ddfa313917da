#pragma once

#include <QColor>
#include <QPixmap>

#include <string>
#include <vector>

namespace flitbar {

// Finds an icon by its freedesktop name: the theme's symbolic icon, the theme's icon, then the
// icon bundled with the application, trying each fallback name in turn at every stage.
// Symbolic and bundled icons are drawn in `color`; a theme's coloured icon keeps its colours.
// A null pixmap when no name is found anywhere.
QPixmap symbolImage(const std::string& symbol, const std::vector<std::string>& fallbacks, int size, const QColor& color,
                    qreal devicePixelRatio);

}  // namespace flitbar
