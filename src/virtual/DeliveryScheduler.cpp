#include "virtual/DeliveryScheduler.h"

#include <pthread.h>

namespace flitbar::virtualhid {

DeliveryScheduler::DeliveryScheduler() : thread_([this] { loop(); }) {}

DeliveryScheduler::~DeliveryScheduler() { stop(); }

void DeliveryScheduler::post(Clock::duration delay, std::function<void()> work) {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    items_.push(Item{Clock::now() + delay, nextSequence_++, std::move(work)});
  }
  wake_.notify_one();
}

void DeliveryScheduler::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
  std::lock_guard lock(mutex_);
  items_ = {};
}

void DeliveryScheduler::loop() {
  pthread_setname_np(pthread_self(), "virtual.deliver");
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    if (items_.empty()) {
      wake_.wait(lock);
      continue;
    }
    const auto due = items_.top().due;
    if (Clock::now() < due) {
      wake_.wait_until(lock, due);
      continue;
    }
    auto work = std::move(const_cast<Item&>(items_.top()).work);
    items_.pop();
    lock.unlock();
    work();
    lock.lock();
  }
}

}  // namespace flitbar::virtualhid
