#pragma once

#include <QDBusContext>
#include <QObject>
#include <QVariantMap>

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace flitbar {

// The running application's presence on the session bus: it owns the name equal to the bundle
// identifier (without queueing, so a second instance learns at once that one runs) and serves
// `RequestSwitch(a{sv})` and `Reopen()` (see SwitchIPC for the path and interface).
//
// Only callers of `allowedUser` are served: anyone on a bus may call, but only the same user may
// move this user's devices. The uid comes from the bus daemon. Main thread only.
class ApplicationBus : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "dev.flitbar.Application")

 public:
  enum class Claim { owned, alreadyRunning, noBus };

  ApplicationBus(std::string bundleIdentifier, uid_t allowedUser);
  ~ApplicationBus() override;

  Claim claim();
  // Asks the running owner of `bundleIdentifier` to reopen; true when it answered.
  static bool reopenRunning(const std::string& bundleIdentifier);

  // Called with the host of each accepted request; an unreadable host is refused instead.
  std::function<void(std::uint8_t host)> onSwitchRequest;
  std::function<void()> onReopen;

 public slots:
  void RequestSwitch(const QVariantMap& userInfo);
  void Reopen();

 private:
  bool callerAllowed();

  std::string bundleIdentifier_;
  uid_t allowedUser_;
  bool registered_ = false;
};

}  // namespace flitbar
