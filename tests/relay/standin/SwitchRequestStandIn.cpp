// Stands in for the running application in relay tests: owns the bundle identifier's name on the
// session bus, prints "ready", then prints the first accepted switch request as "host N" and
// exits. With the argument "foreign" it serves only another user, so every caller is a stranger.
// Gives up after 20 seconds with status 1.
#include "platform/dbus/ApplicationBus.h"

#include <QCoreApplication>
#include <QTimer>

#include <unistd.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  const bool foreign = argc > 1 && std::strcmp(argv[1], "foreign") == 0;
  flitbar::ApplicationBus bus(FLITBAR_BUNDLE_IDENTIFIER, ::getuid() + (foreign ? 1 : 0));
  if (bus.claim() != flitbar::ApplicationBus::Claim::owned) return 2;
  bus.onSwitchRequest = [](std::uint8_t host) {
    std::printf("host %d\n", host);
    std::fflush(stdout);
    QCoreApplication::exit(0);
  };
  QTimer::singleShot(20000, [] { QCoreApplication::exit(1); });
  std::printf("ready\n");
  std::fflush(stdout);
  return QCoreApplication::exec();
}
