#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <queue>
#include <thread>
#include <vector>

namespace flitbar::virtualhid {

// Runs work after a delay on one thread of its own, in due order (equal due times in posting
// order), so that slow answers never hold up other traffic. Work runs without the scheduler's
// lock held and may post more work.
class DeliveryScheduler {
 public:
  using Clock = std::chrono::steady_clock;

  DeliveryScheduler();
  ~DeliveryScheduler();
  DeliveryScheduler(const DeliveryScheduler&) = delete;
  DeliveryScheduler& operator=(const DeliveryScheduler&) = delete;

  void post(Clock::duration delay, std::function<void()> work);

  // Drops pending work and joins the thread; idempotent. Must not be called from scheduled work.
  void stop();

 private:
  struct Item {
    Clock::time_point due;
    std::uint64_t sequence;
    std::function<void()> work;
    bool operator>(const Item& other) const { return due != other.due ? due > other.due : sequence > other.sequence; }
  };

  void loop();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::priority_queue<Item, std::vector<Item>, std::greater<>> items_;
  std::uint64_t nextSequence_ = 0;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace flitbar::virtualhid
