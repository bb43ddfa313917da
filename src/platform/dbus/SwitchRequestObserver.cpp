#include "platform/dbus/SwitchRequestObserver.h"

#include "platform/dbus/SwitchIPC.h"

#include <QDBusConnection>

namespace flitbar {

SwitchRequestObserver::SwitchRequestObserver(std::string bundleIdentifier,
                                             std::function<void(std::uint8_t host)> onRequest, QObject* parent)
    : QObject(parent), name_(SwitchIPC::notificationName(bundleIdentifier)), onRequest_(std::move(onRequest)) {
  listening_ = QDBusConnection::sessionBus().connect(QString(), SwitchIPC::objectPath, SwitchIPC::interfaceName,
                                                     SwitchIPC::signalName, this, SLOT(posted(QString, QVariantMap)));
}

SwitchRequestObserver::~SwitchRequestObserver() {
  if (listening_) {
    QDBusConnection::sessionBus().disconnect(QString(), SwitchIPC::objectPath, SwitchIPC::interfaceName,
                                             SwitchIPC::signalName, this, SLOT(posted(QString, QVariantMap)));
  }
}

void SwitchRequestObserver::posted(const QString& name, const QVariantMap& userInfo) {
  if (name != name_) return;
  if (const auto host = SwitchIPC::host(userInfo)) onRequest_(*host);
}

}  // namespace flitbar
