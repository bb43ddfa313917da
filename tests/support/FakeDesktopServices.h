#pragma once

#include "support/QtTestApplication.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>

#include <mutex>
#include <vector>

namespace flitbar::testing {

// The Qt application object D-Bus and timers need, made once per test process.
inline void ensureQtApplication() {
  static int argc = 1;
  static char name[] = "flitbar_tests";
  static char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}

// Runs the event loop, which also serves the fake peers, until `done` holds or `limit` passes.
template <typename Predicate>
bool eventually(Predicate done, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  return test::waitUntil(done, static_cast<int>(limit.count()));
}

// A connection of its own to the bus at `address`: Qt reuses connections by name, and every test
// has a bus of its own.
inline QDBusConnection connectTo(const std::string& address) {
  return QDBusConnection::connectToBus(QString::fromStdString(address), QString::fromStdString("test " + address));
}

// A peer that owns `service` on its own connection and answers every call at `path` with
// `answer`. Calls are answered while the test runs the event loop.
class FakePeer : public QDBusVirtualObject {
 public:
  using Answer = std::function<QDBusMessage(const QDBusMessage&)>;

  FakePeer(const std::string& address, const QString& service, const QString& path, Answer answer)
      : bus_(QDBusConnection::connectToBus(QString::fromStdString(address), service)), answer_(std::move(answer)) {
    bus_.registerVirtualObject(path, this);
    bus_.registerService(service);
  }
  ~FakePeer() override { QDBusConnection::disconnectFromBus(bus_.name()); }

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    std::lock_guard guard(lock_);
    calls_.push_back(message);
    connection.send(answer_(message));
    return true;
  }
  QString introspect(const QString&) const override { return {}; }

  std::vector<QDBusMessage> calls(const QString& member) const {
    std::lock_guard guard(lock_);
    std::vector<QDBusMessage> found;
    for (const auto& call : calls_)
      if (call.member() == member) found.push_back(call);
    return found;
  }
  void emitSignal(const QString& path, const QString& interface, const QString& name, const QVariantList& arguments) {
    auto message = QDBusMessage::createSignal(path, interface, name);
    message.setArguments(arguments);
    bus_.send(message);
  }

 private:
  QDBusConnection bus_;
  Answer answer_;
  mutable std::mutex lock_;
  std::vector<QDBusMessage> calls_;
};

// org.freedesktop.Notifications numbering notifications from 1, or failing every Notify.
inline FakePeer::Answer notificationServer(bool failing = false) {
  return [failing, next = 0u](const QDBusMessage& call) mutable {
    if (call.member() == "GetServerInformation") return call.createReply(QVariantList{"fake", "flitbar", "1", "1.2"});
    if (failing) return call.createErrorReply("org.freedesktop.DBus.Error.Failed", "server is broken");
    return call.createReply(QVariant::fromValue(++next));
  };
}

// logind's manager: every process is in session "c1".
inline FakePeer::Answer logind() {
  return [](const QDBusMessage& call) {
    return call.createReply(QVariant::fromValue(QDBusObjectPath("/org/freedesktop/login1/session/c1")));
  };
}

}  // namespace flitbar::testing
