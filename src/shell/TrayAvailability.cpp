#include "shell/TrayAvailability.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

namespace flitbar {

namespace {

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");

}  // namespace

TrayAvailability::TrayAvailability(QDBusConnection bus, std::chrono::milliseconds patience,
                                   std::function<bool()> legacyTrayPresent, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), legacyTrayPresent_(std::move(legacyTrayPresent)) {
  patience_.setSingleShot(true);
  patience_.setInterval(patience);
  connect(&patience_, &QTimer::timeout, this, &TrayAvailability::patienceOver);
}

void TrayAvailability::start() {
  serviceWatcher_ = new QDBusServiceWatcher(watcherService, bus_, QDBusServiceWatcher::WatchForRegistration, this);
  connect(serviceWatcher_, &QDBusServiceWatcher::serviceRegistered, this, &TrayAvailability::askWatcher);
  // Any sender: the watcher's unique name changes when the desktop's panel restarts.
  bus_.connect(QString(), watcherPath, watcherService, QStringLiteral("StatusNotifierHostRegistered"), this,
               SLOT(hostRegistered()));
  patience_.start();
  askWatcher();
}

void TrayAvailability::hostRegistered() { askWatcher(); }

void TrayAvailability::askWatcher() {
  if (ready_) return;
  QDBusMessage get = QDBusMessage::createMethodCall(
      watcherService, watcherPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  get << watcherService << QStringLiteral("IsStatusNotifierHostRegistered");
  auto* call = new QDBusPendingCallWatcher(bus_.asyncCall(get), this);
  connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
    finished->deleteLater();
    const QDBusPendingReply<QDBusVariant> reply = *finished;
    // No watcher, or one without a host: keep waiting for its signals.
    if (!reply.isError() && reply.value().variant().toBool()) becomeReady();
  });
}

void TrayAvailability::patienceOver() {
  if (ready_ || missing_) return;
  if (legacyTrayPresent_()) {
    becomeReady();
    return;
  }
  missing_ = true;
  emit missing();
}

void TrayAvailability::becomeReady() {
  if (ready_) return;
  ready_ = true;
  patience_.stop();
  emit ready();
}

}  // namespace flitbar
