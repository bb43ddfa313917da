#pragma once

#include <QPainterPath>
#include <QRectF>

namespace flitbar::FlitbarMark {

// The product mark fitted into `rect`: two device tiles side by side and an arrow from the left one
// to the right one. Filled with the even-odd rule the arrow is solid between the tiles and cut out
// of them, so the mark stays one colour.
QPainterPath path(const QRectF& rect);

}  // namespace flitbar::FlitbarMark
