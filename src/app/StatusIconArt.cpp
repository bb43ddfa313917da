#include "app/StatusIconArt.h"

#include "app/FlitbarMark.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace flitbar::StatusIconArt {

namespace {

// The mark sits in an 18-unit square with 1.62 units of air on every side.
constexpr double gridUnits = 18.0;
constexpr double insetUnits = 1.62;
constexpr double outlineUnits = 1.2;
constexpr double unreachableOpacity = 0.35;
constexpr double flashBackdropOpacity = 0.25;

void drawMark(QPainter& painter, StatusIconMood mood, const QRectF& area, double unit, const QColor& color) {
  const QPainterPath mark = FlitbarMark::path(area);
  switch (mood) {
    case StatusIconMood::capturing:
      painter.fillPath(mark, color);
      break;
    case StatusIconMood::released:
      painter.strokePath(mark, QPen(color, outlineUnits * unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      break;
    case StatusIconMood::unreachable:
      painter.setOpacity(unreachableOpacity);
      painter.fillPath(mark, color);
      painter.setOpacity(1.0);
      break;
  }
}

void drawFlash(QPainter& painter, const QString& text, int pixels, const QColor& color) {
  QFont font;
  font.setBold(true);
  font.setPixelSize(pixels);
  QPainterPath glyphs;
  glyphs.addText(0, 0, font, text);
  const QRectF bounds = glyphs.boundingRect();
  glyphs.translate(pixels / 2.0 - bounds.center().x(), pixels / 2.0 - bounds.center().y());
  // A cleared halo keeps the digit legible over the faint mark.
  painter.setCompositionMode(QPainter::CompositionMode_Clear);
  painter.strokePath(glyphs, QPen(Qt::transparent, pixels / 8.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter.fillPath(glyphs, color);
}

}  // namespace

QImage image(StatusIconMood mood, int pixels, const QColor& color, const QString& flashText) {
  QImage canvas(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
  canvas.fill(Qt::transparent);
  QPainter painter(&canvas);
  painter.setRenderHint(QPainter::Antialiasing);
  const double unit = pixels / gridUnits;
  const QRectF area = QRectF(0, 0, pixels, pixels)
                          .adjusted(insetUnits * unit, insetUnits * unit, -insetUnits * unit, -insetUnits * unit);
  if (flashText.isEmpty()) {
    drawMark(painter, mood, area, unit, color);
    return canvas;
  }
  painter.setOpacity(flashBackdropOpacity);
  painter.fillPath(FlitbarMark::path(area), color);
  painter.setOpacity(1.0);
  drawFlash(painter, flashText, pixels, color);
  return canvas;
}

QIcon icon(StatusIconMood mood, const QColor& color, const QString& flashText) {
  QIcon drawn;
  for (const int pixels : {16, 22, 24, 32}) drawn.addPixmap(QPixmap::fromImage(image(mood, pixels, color, flashText)));
  drawn.setIsMask(true);
  return drawn;
}

}  // namespace flitbar::StatusIconArt
