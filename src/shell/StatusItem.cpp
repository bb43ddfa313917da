#include "shell/StatusItem.h"

#include "app/StatusIconArt.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QPalette>
#include <QTimer>

namespace flitbar {

StatusItem::StatusItem(QMenu& contextMenu, QObject* parent) : QObject(parent) {
  icon_.setContextMenu(&contextMenu);
  connect(&icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger) emit clicked();
  });
  // The icon takes the panel's text colour, so a theme change means drawing it again.
  qGuiApp->installEventFilter(this);
  redraw();
}

// Both are set on every refresh of the application; each change is a round trip to the panel.
void StatusItem::setMood(StatusIconMood mood) {
  if (mood_ == mood) return;
  mood_ = mood;
  redraw();
}

void StatusItem::setToolTip(const QString& text) {
  if (icon_.toolTip() != text) icon_.setToolTip(text);
}

void StatusItem::setVisible(bool visible) { icon_.setVisible(visible); }

bool StatusItem::isVisible() const { return icon_.isVisible(); }

void StatusItem::flash(const QString& text, std::chrono::milliseconds duration) {
  const std::int64_t generation = ++flashGeneration_;
  flashText_ = text;
  redraw();
  QTimer::singleShot(duration, this, [this, generation] {
    if (flashGeneration_ != generation) return;
    flashText_.clear();
    redraw();
  });
}

std::optional<QRect> StatusItem::geometry() const {
  const QRect shown = icon_.geometry();
  if (!shown.isValid() || shown.isEmpty()) return std::nullopt;
  return shown;
}

bool StatusItem::eventFilter(QObject* watched, QEvent* event) {
  if (watched == qGuiApp && event->type() == QEvent::ApplicationPaletteChange) redraw();
  return false;
}

void StatusItem::redraw() {
  icon_.setIcon(StatusIconArt::icon(mood_, QGuiApplication::palette().color(QPalette::WindowText), flashText_));
}

}  // namespace flitbar
