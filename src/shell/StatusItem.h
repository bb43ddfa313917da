#pragma once

#include "app/StatusIconMood.h"

#include <QObject>
#include <QRect>
#include <QString>
#include <QSystemTrayIcon>

#include <chrono>
#include <cstdint>
#include <optional>

class QMenu;

namespace flitbar {

// The tray icon. Create it only once TrayAvailability is ready: constructing it is the first tray
// call, which fixes the tray kind for the process. Main thread only.
class StatusItem : public QObject {
  Q_OBJECT
 public:
  // `contextMenu` is drawn by the desktop's panel; it must outlive the item.
  explicit StatusItem(QMenu& contextMenu, QObject* parent = nullptr);

  void setMood(StatusIconMood mood);
  void setToolTip(const QString& text);
  void setVisible(bool visible);
  bool isVisible() const;

  // Draws `text` into the icon for `duration`; a newer flash is never cut short by an older timer.
  void flash(const QString& text, std::chrono::milliseconds duration);
  const QString& flashText() const { return flashText_; }

  // Where the icon is on screen, when the tray tells (the X11 tray does, StatusNotifierItem not).
  std::optional<QRect> geometry() const;

 signals:
  // A left click (or Activate from a StatusNotifierItem host).
  void clicked();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void redraw();

  QSystemTrayIcon icon_;
  StatusIconMood mood_ = StatusIconMood::unreachable;
  QString flashText_;
  std::int64_t flashGeneration_ = 0;
};

}  // namespace flitbar
