#include "platform/dbus/FreedesktopNotificationCenter.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace flitbar {
namespace {

constexpr int callTimeoutMilliseconds = 5000;
constexpr uchar lowUrgency = 0;
constexpr uchar normalUrgency = 1;

}  // namespace

FreedesktopNotificationCenter::FreedesktopNotificationCenter(QDBusConnection bus, std::string applicationName,
                                                             std::string desktopEntry)
    : bus_(std::move(bus)), applicationName_(std::move(applicationName)), desktopEntry_(std::move(desktopEntry)) {}

void FreedesktopNotificationCenter::requestAuthorization(AuthorizationCompletion done) {
  const auto call = QDBusMessage::createMethodCall(service, path, service, "GetServerInformation");
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, callTimeoutMilliseconds), &calls_);
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                   [done = std::move(done)](QDBusPendingCallWatcher* finished) {
                     finished->deleteLater();
                     done(!finished->isError(), std::nullopt);
                   });
}

void FreedesktopNotificationCenter::add(const NotificationRequest& request, Completion done) {
  auto call = QDBusMessage::createMethodCall(service, path, service, "Notify");
  const auto shown = shownIds_.find(request.identifier);
  const QVariantMap hints{
      {"urgency", QVariant::fromValue(request.level == InterruptionLevel::passive ? lowUrgency : normalUrgency)},
      {"desktop-entry", QString::fromStdString(desktopEntry_)},
  };
  call << QString::fromStdString(applicationName_) << (shown == shownIds_.end() ? 0u : shown->second)
       << QString::fromStdString(desktopEntry_) << QString::fromStdString(request.title)
       << QString::fromStdString(request.body) << QStringList() << hints << -1;
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, callTimeoutMilliseconds), &calls_);
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                   [this, identifier = request.identifier, done = std::move(done)](QDBusPendingCallWatcher* finished) {
                     finished->deleteLater();
                     const QDBusPendingReply<uint> reply = *finished;
                     if (reply.isError()) return done(reply.error().message().toStdString());
                     shownIds_[identifier] = reply.value();
                     done(std::nullopt);
                   });
}

}  // namespace flitbar
