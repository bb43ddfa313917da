#include "app/FlitbarMark.h"

#include <QPolygonF>
#include <QTransform>

namespace flitbar::FlitbarMark {

QPainterPath path(const QRectF& rect) {
  // Drawn in a unit square, then scaled; the tiles are tall enough to read as devices at 16 px.
  QPainterPath unit;
  unit.setFillRule(Qt::OddEvenFill);
  constexpr double tileWidth = 0.40;
  constexpr double tileTop = 0.10;
  constexpr double tileHeight = 0.80;
  constexpr double corner = 0.09;
  unit.addRoundedRect(QRectF(0.0, tileTop, tileWidth, tileHeight), corner, corner);
  unit.addRoundedRect(QRectF(1.0 - tileWidth, tileTop, tileWidth, tileHeight), corner, corner);
  unit.addPolygon(QPolygonF({{0.20, 0.42},
                             {0.64, 0.42},
                             {0.64, 0.26},
                             {0.86, 0.50},
                             {0.64, 0.74},
                             {0.64, 0.58},
                             {0.20, 0.58},
                             {0.20, 0.42}}));
  QTransform toRect;
  toRect.translate(rect.x(), rect.y());
  toRect.scale(rect.width(), rect.height());
  return toRect.map(unit);
}

}  // namespace flitbar::FlitbarMark
