#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace flitbar {

// Turns SIGINT, SIGTERM and SIGHUP into a clean quit of the Qt event loop.
//
// The signals are blocked for the whole process and read from a signalfd, so one that arrives
// before the event loop runs waits instead of killing the process. Construct it on the main
// thread before any other thread starts, so every thread inherits the blocked mask.
class TerminationSignals : public QObject {
  Q_OBJECT
public:
  TerminationSignals();
  ~TerminationSignals() override;

  // Connects the signals to QCoreApplication::quit; call once the application object exists.
  void quitApplicationOnSignal();

signals:
  void received(int signalNumber);

private:
  int fd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace flitbar
