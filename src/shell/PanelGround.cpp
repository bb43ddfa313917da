#include "shell/PanelGround.h"

#include <QGraphicsDropShadowEffect>
#include <QPainter>
#include <QPainterPath>

namespace flitbar {

namespace {

constexpr int groundAlpha = 240;
constexpr double shadowOpacity = 0.2;
constexpr double shadowBlurRadius = 36;
constexpr int shadowDrop = 8;

}  // namespace

PanelGround::PanelGround(bool translucent, QWidget* parent) : QWidget(parent), translucent_(translucent) {
  if (!translucent_) return;
  auto* shadow = new QGraphicsDropShadowEffect(this);
  shadow->setColor(QColor(0, 0, 0, static_cast<int>(255 * shadowOpacity)));
  shadow->setBlurRadius(shadowBlurRadius);
  shadow->setOffset(0, shadowDrop);
  setGraphicsEffect(shadow);
}

void PanelGround::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRectF area = rect();
  if (!translucent_) {
    painter.fillRect(area, palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    return;
  }
  painter.setRenderHint(QPainter::Antialiasing);
  QColor ground = palette().color(QPalette::Window);
  ground.setAlpha(groundAlpha);
  QPainterPath shape;
  shape.addRoundedRect(area, cornerRadius, cornerRadius);
  painter.fillPath(shape, ground);
}

}  // namespace flitbar
