#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

namespace flitbar {

// A single-click action held back for the double-click interval, so that a double-click can cancel
// it. Owned by the panel rather than the row, so that a rebuild between the two clicks neither
// loses the click nor lets it escape cancellation.
class DeferredClick : public QObject {
 public:
  explicit DeferredClick(QObject* parent = nullptr);

  // Replaces any earlier pending action.
  void schedule(std::function<void()> action, int intervalMs);
  void cancel();

 private:
  QTimer timer_;
  std::function<void()> action_;
};

}  // namespace flitbar
