#pragma once

#include <QApplication>
#include <QElapsedTimer>

#include <functional>

namespace flitbar::test {

// The one application object of a test process, made on first use.
inline QApplication& qtApplication() {
  static int argc = 1;
  static char name[] = "flitbar-tests";
  static char* argv[] = {name, nullptr};
  static QApplication* application = new QApplication(argc, argv);
  return *application;
}

// Runs the event loop until `condition` holds or `milliseconds` pass; answers the condition.
inline bool waitUntil(const std::function<bool()>& condition, int milliseconds = 10000) {
  QElapsedTimer clock;
  clock.start();
  while (!condition() && clock.elapsed() <= milliseconds) QApplication::processEvents(QEventLoop::AllEvents, 10);
  return condition();
}

}  // namespace flitbar::test
