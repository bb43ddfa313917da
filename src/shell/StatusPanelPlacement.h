#pragma once

#include <QRect>
#include <QSize>

namespace flitbar::StatusPanelPlacement {

// Gap kept between the panel and the edges of the available screen area.
inline constexpr int screenMargin = 8;

// Where a panel of `content` size goes next to `anchor` (the tray icon, or a 1-pixel rectangle at
// the pointer when the tray does not say where its icon is), inside `available`.
// It opens away from the nearest screen corner: right-aligned with the anchor in the right half,
// left-aligned in the left half; 1 pixel below it in the top half, above it in the bottom half.
// Then it is kept 8 pixels inside the left and right edges (the right one wins when both cannot
// hold), inside the top edge, and lifted to 8 pixels above the bottom edge (which wins over the top).
QRect place(QSize content, QRect anchor, QRect available);

}  // namespace flitbar::StatusPanelPlacement
