#include "panel/DeferredClick.h"

namespace flitbar {

DeferredClick::DeferredClick(QObject* parent) : QObject(parent) {
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, [this] {
    auto action = std::move(action_);
    action_ = nullptr;
    if (action) action();
  });
}

void DeferredClick::schedule(std::function<void()> action, int intervalMs) {
  action_ = std::move(action);
  timer_.start(intervalMs);
}

void DeferredClick::cancel() {
  timer_.stop();
  action_ = nullptr;
}

}  // namespace flitbar
