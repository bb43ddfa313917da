#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <string>

namespace flitbar {

// Receives switch requests on the session bus (see SwitchIPC) and hands valid hosts to
// `onRequest` on the thread that owns this object. Invalid requests are ignored silently.
class SwitchRequestObserver : public QObject {
  Q_OBJECT

 public:
  SwitchRequestObserver(std::string bundleIdentifier, std::function<void(std::uint8_t host)> onRequest,
                        QObject* parent = nullptr);
  ~SwitchRequestObserver() override;

  // False when there is no session bus to listen on.
  bool isListening() const { return listening_; }

 private slots:
  void posted(const QString& name, const QVariantMap& userInfo);

 private:
  QString name_;
  std::function<void(std::uint8_t)> onRequest_;
  bool listening_ = false;
};

}  // namespace flitbar
