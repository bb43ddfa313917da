#include "platform/dbus/DesktopSignals.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <unistd.h>

namespace flitbar {
namespace {

constexpr const char* logindService = "org.freedesktop.login1";
constexpr const char* logindPath = "/org/freedesktop/login1";
constexpr const char* logindManager = "org.freedesktop.login1.Manager";
constexpr const char* logindSession = "org.freedesktop.login1.Session";
constexpr int callTimeoutMilliseconds = 5000;

}  // namespace

DesktopSignals::DesktopSignals(QDBusConnection session, QDBusConnection system, std::function<void()> onScreenLocked,
                               std::function<void()> onWake, Logging& log)
    : system_(std::move(system)), onScreenLocked_(std::move(onScreenLocked)), onWake_(std::move(onWake)), log_(log) {
  for (const char* saver : {"org.freedesktop.ScreenSaver", "org.gnome.ScreenSaver", "org.xfce.ScreenSaver"})
    session.connect(QString(), QString(), saver, "ActiveChanged", this, SLOT(screenSaverActiveChanged(bool)));

  if (!system_.isConnected()) {
    log_.warning("No system bus: wake from sleep and logind's screen locks are not seen");
    return;
  }
  system_.connect(logindService, logindPath, logindManager, "PrepareForSleep", this, SLOT(prepareForSleep(bool)));
  auto call = QDBusMessage::createMethodCall(logindService, logindPath, logindManager, "GetSessionByPID");
  call << static_cast<uint>(::getpid());
  auto* watcher = new QDBusPendingCallWatcher(system_.asyncCall(call, callTimeoutMilliseconds), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
    finished->deleteLater();
    const QDBusPendingReply<QDBusObjectPath> reply = *finished;
    if (reply.isError()) {
      log_.warning("logind did not answer (" + reply.error().message().toStdString() +
                   "): wake from sleep and logind's screen locks are not seen");
      return;
    }
    watchSession(reply.value());
  });
}

DesktopObserver DesktopSignals::observer() {
  return [](std::function<void()> onScreenLocked, std::function<void()> onWake, Logging& log) {
    return std::make_unique<DesktopSignals>(QDBusConnection::sessionBus(), QDBusConnection::systemBus(),
                                            std::move(onScreenLocked), std::move(onWake), log);
  };
}

void DesktopSignals::watchSession(const QDBusObjectPath& session) {
  const auto path = session.path();
  system_.connect(logindService, path, logindSession, "Lock", this, SLOT(sessionLocked()));
  system_.connect(logindService, path, logindSession, "Unlock", this, SLOT(sessionUnlocked()));
  system_.connect(logindService, path, "org.freedesktop.DBus.Properties", "PropertiesChanged", this,
                  SLOT(sessionPropertiesChanged(QString, QVariantMap, QStringList)));
}

void DesktopSignals::screenSaverActiveChanged(bool active) { noteLocked(active); }

void DesktopSignals::sessionLocked() { noteLocked(true); }

void DesktopSignals::sessionUnlocked() { noteLocked(false); }

void DesktopSignals::sessionPropertiesChanged(const QString& interfaceName, const QVariantMap& changed,
                                              const QStringList&) {
  if (interfaceName != logindSession) return;
  const auto hint = changed.find("LockedHint");
  if (hint != changed.end() && hint->metaType().id() == QMetaType::Bool) noteLocked(hint->toBool());
}

void DesktopSignals::prepareForSleep(bool sleeping) {
  if (!sleeping) onWake_();
}

void DesktopSignals::noteLocked(bool locked) {
  const bool edge = locked && !locked_;
  locked_ = locked;
  if (edge) onScreenLocked_();
}

}  // namespace flitbar
