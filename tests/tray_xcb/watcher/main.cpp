// Stands in for a desktop panel's tray on the session bus until it is terminated.
#include "FakeStatusNotifierWatcher.h"

#include <QCoreApplication>
#include <QDBusConnection>

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  flitbar::test::FakeStatusNotifierWatcher watcher;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.registerObject(
          QStringLiteral("/StatusNotifierWatcher"), &watcher,
          QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals | QDBusConnection::ExportAllProperties) ||
      !bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"))) {
    return 1;
  }
  emit watcher.StatusNotifierHostRegistered();
  return QCoreApplication::exec();
}
