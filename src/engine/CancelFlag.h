#pragma once

#include <memory>
#include <mutex>

namespace flitbar {

// A cancelled flag shared between the engine and the worker jobs it started. The engine sets it;
// jobs poll it between exchanges.
class CancelFlag {
public:
  void cancel() {
    std::lock_guard guard(lock_);
    cancelled_ = true;
  }
  bool isCancelled() const {
    std::lock_guard guard(lock_);
    return cancelled_;
  }

private:
  mutable std::mutex lock_;
  bool cancelled_ = false;
};

using CancelFlagRef = std::shared_ptr<CancelFlag>;

}  // namespace flitbar
