#include "shell/StatusPanelPlacement.h"

#include <algorithm>

namespace flitbar::StatusPanelPlacement {

QRect place(QSize content, QRect anchor, QRect available) {
  const int width = content.width();
  const int height = content.height();
  const QPoint middle = anchor.center();
  int x = middle.x() >= available.center().x() ? anchor.x() + anchor.width() - width : anchor.x();
  int y = middle.y() <= available.center().y() ? anchor.y() + anchor.height() + 1 : anchor.y() - 1 - height;
  x = std::max(x, available.x() + screenMargin);
  x = std::min(x, available.x() + available.width() - width - screenMargin);
  y = std::max(y, available.y());
  y = std::min(y, available.y() + available.height() - height - screenMargin);
  return {x, y, width, height};
}

}  // namespace flitbar::StatusPanelPlacement
