#include "platform/dbus/SwitchIPC.h"

#include <QDBusConnection>
#include <QDBusMessage>

#include <cmath>

namespace flitbar {

namespace {

constexpr int busTimeoutMilliseconds = 1000;

bool isNumber(const QVariant& value) {
  switch (value.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::Double:
      return true;
    default:
      return false;
  }
}

}  // namespace

SwitchIPC::SwitchIPC(RunningApplications& runningApplications, std::string bundleIdentifier, int ownProcessId)
    : runningApplications_(runningApplications),
      bundleIdentifier_(std::move(bundleIdentifier)),
      ownProcessId_(ownProcessId) {}

bool SwitchIPC::isGUIRunning() {
  for (const int processId : runningApplications_.processIds(bundleIdentifier_)) {
    if (processId != ownProcessId_) return true;
  }
  return false;
}

void SwitchIPC::send(std::uint8_t host) {
  auto bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  auto request = QDBusMessage::createSignal(objectPath, interfaceName, signalName);
  request << notificationName(bundleIdentifier_) << QVariantMap{{"host", static_cast<int>(host)}};
  if (!bus.send(request)) return;
  // The bus handles one connection's messages in order: once it answers a ping, the request has
  // been delivered, and the process may end.
  const auto ping = QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                   "org.freedesktop.DBus.Peer", "Ping");
  bus.call(ping, QDBus::Block, busTimeoutMilliseconds);
}

QString SwitchIPC::notificationName(const std::string& bundleIdentifier) {
  return QString::fromStdString(bundleIdentifier + ".switch-request");
}

std::optional<std::uint8_t> SwitchIPC::host(const QVariantMap& userInfo) {
  const auto entry = userInfo.find("host");
  if (entry == userInfo.end() || !isNumber(*entry)) return std::nullopt;
  const double value = entry->toDouble();
  if (!(value > -1 && value < 256) || value != std::floor(value)) return std::nullopt;
  const auto host = static_cast<int>(value);
  if (host < 1 || host > 3) return std::nullopt;
  return static_cast<std::uint8_t>(host);
}

}  // namespace flitbar
