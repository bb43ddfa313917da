#pragma once

#include <deque>
#include <functional>
#include <mutex>

namespace flitbar {

// Runs closures on the main thread, in the order they were posted. The GUI posts them into its
// event loop; tests use ManualMainExecutor and drain it.
class MainExecutor {
public:
  virtual ~MainExecutor() = default;
  // Callable from any thread.
  virtual void post(std::function<void()> work) = 0;
};

// Queues closures until the owner drains them on its own thread.
class ManualMainExecutor : public MainExecutor {
public:
  void post(std::function<void()> work) override {
    std::lock_guard guard(lock_);
    queue_.push_back(std::move(work));
  }

  // Runs everything queued so far, including work that queued work posts. Returns how many ran.
  int drain() {
    int count = 0;
    while (true) {
      std::function<void()> next;
      {
        std::lock_guard guard(lock_);
        if (queue_.empty()) return count;
        next = std::move(queue_.front());
        queue_.pop_front();
      }
      next();
      ++count;
    }
  }

private:
  std::mutex lock_;
  std::deque<std::function<void()>> queue_;
};

}  // namespace flitbar
