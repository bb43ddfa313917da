#include "platform/dbus/ApplicationBus.h"

#include "platform/dbus/SwitchIPC.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>

namespace flitbar {
namespace {

constexpr int callTimeoutMilliseconds = 3000;

}  // namespace

ApplicationBus::ApplicationBus(std::string bundleIdentifier, uid_t allowedUser)
    : bundleIdentifier_(std::move(bundleIdentifier)), allowedUser_(allowedUser) {}

ApplicationBus::~ApplicationBus() {
  if (!registered_) return;
  auto bus = QDBusConnection::sessionBus();
  bus.unregisterService(QString::fromStdString(bundleIdentifier_));
  bus.unregisterObject(SwitchIPC::objectPath);
}

ApplicationBus::Claim ApplicationBus::claim() {
  auto bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return Claim::noBus;
  // The object is there before the name, so the first request after the claim finds it.
  if (!bus.registerObject(SwitchIPC::objectPath, this, QDBusConnection::ExportAllSlots)) return Claim::alreadyRunning;
  const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = bus.interface()->registerService(
      QString::fromStdString(bundleIdentifier_), QDBusConnectionInterface::DontQueueService,
      QDBusConnectionInterface::DontAllowReplacement);
  if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
    registered_ = true;
    return Claim::owned;
  }
  bus.unregisterObject(SwitchIPC::objectPath);
  return reply.isValid() ? Claim::alreadyRunning : Claim::noBus;
}

bool ApplicationBus::reopenRunning(const std::string& bundleIdentifier) {
  const auto call = QDBusMessage::createMethodCall(QString::fromStdString(bundleIdentifier), SwitchIPC::objectPath,
                                                   SwitchIPC::interfaceName, "Reopen");
  return QDBusConnection::sessionBus().call(call, QDBus::Block, callTimeoutMilliseconds).type() ==
         QDBusMessage::ReplyMessage;
}

bool ApplicationBus::callerAllowed() {
  const QDBusReply<uint> uid = connection().interface()->serviceUid(message().service());
  if (uid.isValid() && uid.value() == allowedUser_) return true;
  sendErrorReply(QDBusError::AccessDenied, "Only the user running Flitbar may ask it to do this.");
  return false;
}

void ApplicationBus::RequestSwitch(const QVariantMap& userInfo) {
  if (!callerAllowed()) return;
  const auto host = SwitchIPC::host(userInfo);
  if (!host) {
    sendErrorReply(QDBusError::InvalidArgs, "host must be 1, 2 or 3");
    return;
  }
  if (onSwitchRequest) onSwitchRequest(*host);
}

void ApplicationBus::Reopen() {
  if (!callerAllowed()) return;
  if (onReopen) onReopen();
}

}  // namespace flitbar
