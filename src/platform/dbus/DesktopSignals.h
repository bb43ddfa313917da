#pragma once

#include "logging/Logging.h"
#include "platform/DesktopObservation.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

namespace flitbar {

// The desktop's screen lock and wake from sleep, from whichever sources the desktop offers.
//
// Lock: `ActiveChanged(true)` of org.freedesktop.ScreenSaver, org.gnome.ScreenSaver and
// org.xfce.ScreenSaver on the session bus, and logind's `Lock` signal or `LockedHint` turning true
// for this process's session on the system bus. Several sources report the same lock, so they are
// merged into one edge: the first report locks, later ones are ignored until any source reports
// the screen unlocked again. Wake: logind's `PrepareForSleep(false)`. Without a system bus or
// logind only the screen savers are heard; that is logged once.
class DesktopSignals : public QObject, public DesktopObservation {
  Q_OBJECT

 public:
  DesktopSignals(QDBusConnection session, QDBusConnection system, std::function<void()> onScreenLocked,
                 std::function<void()> onWake, Logging& log);

  // The live buses.
  static DesktopObserver observer();

 private slots:
  void screenSaverActiveChanged(bool active);
  void sessionLocked();
  void sessionUnlocked();
  void sessionPropertiesChanged(const QString& interfaceName, const QVariantMap& changed, const QStringList&);
  void prepareForSleep(bool sleeping);

 private:
  void watchSession(const QDBusObjectPath& session);
  void noteLocked(bool locked);

  QDBusConnection system_;
  std::function<void()> onScreenLocked_;
  std::function<void()> onWake_;
  Logging& log_;
  bool locked_ = false;
};

}  // namespace flitbar
