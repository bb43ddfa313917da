#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

class QDBusServiceWatcher;

namespace flitbar {

// Decides when the status item may be created. Qt picks the tray kind once per process, at the
// first tray call: StatusNotifierItem when a watcher reports a registered host, the X11 tray
// otherwise. So no tray API may be touched before this says so.
//
// Rule: ready as soon as org.kde.StatusNotifierWatcher runs and reports a registered host (asked
// at once, again when the watcher appears and when it announces a host, since a desktop's panel
// often starts after the application at login). When `patience` passes without one: ready if an
// X11 tray manager is present, otherwise missing. After missing, a watcher that appears later with
// a host still makes it ready. Main thread only.
class TrayAvailability : public QObject {
  Q_OBJECT
 public:
  TrayAvailability(QDBusConnection bus, std::chrono::milliseconds patience, std::function<bool()> legacyTrayPresent,
                   QObject* parent = nullptr);

  void start();
  bool isReady() const { return ready_; }

 signals:
  // At most once each; `missing` never follows `ready`.
  void ready();
  void missing();

 private slots:
  void askWatcher();
  void hostRegistered();

 private:
  void patienceOver();
  void becomeReady();

  QDBusConnection bus_;
  std::function<bool()> legacyTrayPresent_;
  QTimer patience_;
  QDBusServiceWatcher* serviceWatcher_ = nullptr;
  bool ready_ = false;
  bool missing_ = false;
};

}  // namespace flitbar
