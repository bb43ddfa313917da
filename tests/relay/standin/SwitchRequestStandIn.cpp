// Stands in for the running menu-bar application in relay tests: owns the bundle identifier's
// name on the session bus, prints "ready", then prints the first valid switch request it
// receives as "host N" and exits. Gives up after 20 seconds with status 1.
#include "platform/dbus/SwitchRequestObserver.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  const std::string bundleIdentifier = FLITBAR_BUNDLE_IDENTIFIER;
  if (!QDBusConnection::sessionBus().registerService(QString::fromStdString(bundleIdentifier))) return 2;
  flitbar::SwitchRequestObserver observer(bundleIdentifier, [](std::uint8_t host) {
    std::printf("host %d\n", host);
    std::fflush(stdout);
    QCoreApplication::exit(0);
  });
  if (!observer.isListening()) return 2;
  QTimer::singleShot(20000, [] { QCoreApplication::exit(1); });
  std::printf("ready\n");
  std::fflush(stdout);
  return QCoreApplication::exec();
}
