#include "FakeStatusNotifierWatcher.h"

namespace flitbar::test {

void FakeStatusNotifierWatcher::RegisterStatusNotifierItem(const QString& service, const QDBusMessage& message) {
  // Items may name themselves by object path only; then the sender is the service.
  const QString item = service.startsWith('/') ? message.service() : service;
  items_ << item;
  emit StatusNotifierItemRegistered(item);
}

void FakeStatusNotifierWatcher::RegisterStatusNotifierHost(const QString&) { emit StatusNotifierHostRegistered(); }

}  // namespace flitbar::test
