#pragma once

#include "app/StatusIconMood.h"

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QString>

namespace flitbar::StatusIconArt {

// The tray icon in one colour (the panel's text colour, so it follows a light or dark panel):
// capturing fills the mark, released outlines it, unreachable fills it at 35% opacity. A non-empty
// `flashText` (a host number) is drawn over a faint mark, since a tray icon has no title beside it.
QImage image(StatusIconMood mood, int pixels, const QColor& color, const QString& flashText = {});

// The same at every size panels ask for (16, 22, 24 and 32 px), each drawn for its own grid.
QIcon icon(StatusIconMood mood, const QColor& color, const QString& flashText = {});

}  // namespace flitbar::StatusIconArt
