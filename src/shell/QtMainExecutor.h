#pragma once

#include "engine/MainExecutor.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace flitbar {

// Runs closures in the Qt event loop of the main thread. Work posted once the application object
// is gone is dropped: nothing is left to receive it.
class QtMainExecutor : public MainExecutor {
 public:
  void post(std::function<void()> work) override {
    if (auto* application = QCoreApplication::instance())
      QMetaObject::invokeMethod(application, std::move(work), Qt::QueuedConnection);
  }
};

}  // namespace flitbar
