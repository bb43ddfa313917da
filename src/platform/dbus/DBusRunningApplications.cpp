#include "platform/dbus/DBusRunningApplications.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>

namespace flitbar {

std::vector<int> DBusRunningApplications::processIds(const std::string& bundleIdentifier) {
  const auto bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return {};
  auto* daemon = bus.interface();
  // A command asks this before anything else; a wedged bus must not hold it up for long.
  daemon->setTimeout(1000);
  const auto name = QString::fromStdString(bundleIdentifier);
  const QDBusReply<bool> registered = daemon->isServiceRegistered(name);
  if (!registered.isValid() || !registered.value()) return {};
  const QDBusReply<uint> pid = daemon->servicePid(name);
  if (!pid.isValid()) return {};
  return {static_cast<int>(pid.value())};
}

}  // namespace flitbar
