// Stands in for a desktop panel's tray on the session bus until it is terminated.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>

namespace {

// org.kde.StatusNotifierWatcher with a host already registered.
class FakeStatusNotifierWatcher : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
  Q_PROPERTY(QStringList RegisteredStatusNotifierItems MEMBER items)
  Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)

 public:
  QStringList items;
  bool isHostRegistered() const { return true; }

 public slots:
  void RegisterStatusNotifierItem(const QString& service, const QDBusMessage& message) {
    // Items may name themselves by object path only; then the sender is the service.
    items << (service.startsWith('/') ? message.service() : service);
  }

 signals:
  void StatusNotifierHostRegistered();
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  FakeStatusNotifierWatcher watcher;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.registerObject(
          QStringLiteral("/StatusNotifierWatcher"), &watcher,
          QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals | QDBusConnection::ExportAllProperties) ||
      !bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"))) {
    return 1;
  }
  emit watcher.StatusNotifierHostRegistered();
  return QCoreApplication::exec();
}

#include "main.moc"
