// Stands in for the running application in relay tests: owns the bundle identifier's name on the
// session bus but serves only another user, so every caller is a stranger. Prints "ready", then
// any request that was accepted all the same as "host N". Gives up after 20 seconds with status 1.
#include "platform/dbus/ApplicationBus.h"

#include <QCoreApplication>
#include <QTimer>

#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  flitbar::ApplicationBus bus(FLITBAR_BUNDLE_IDENTIFIER, ::getuid() + 1);
  if (bus.claim() != flitbar::ApplicationBus::Claim::owned) return 2;
  bus.onSwitchRequest = [](std::uint8_t host) {
    std::printf("host %d\n", host);
    std::fflush(stdout);
  };
  QTimer::singleShot(20000, [] { QCoreApplication::exit(1); });
  std::printf("ready\n");
  std::fflush(stdout);
  return QCoreApplication::exec();
}
