#include "platform/dbus/SwitchIPC.h"

#include <QDBusConnection>
#include <QDBusMessage>

#include <cmath>

namespace flitbar {

namespace {

// The owner answers once it has checked the caller; the switch itself goes on afterwards.
constexpr int requestTimeoutMilliseconds = 3000;

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

bool SwitchIPC::send(std::uint8_t host) {
  auto bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  auto request = QDBusMessage::createMethodCall(QString::fromStdString(bundleIdentifier_), objectPath, interfaceName,
                                                "RequestSwitch");
  request << QVariantMap{{"host", static_cast<int>(host)}};
  return bus.call(request, QDBus::Block, requestTimeoutMilliseconds).type() == QDBusMessage::ReplyMessage;
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
