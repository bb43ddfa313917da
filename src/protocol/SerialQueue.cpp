#include "protocol/SerialQueue.h"

#include <pthread.h>

#include <condition_variable>
#include <deque>
#include <mutex>

namespace flitbar {

struct SerialQueue::State {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::function<void()>> tasks;
  bool closing = false;
  bool finished = false;

  void run() {
    std::unique_lock lock(mutex);
    while (true) {
      changed.wait(lock, [&] { return closing || !tasks.empty(); });
      if (closing) break;
      auto task = std::move(tasks.front());
      tasks.pop_front();
      lock.unlock();
      try {
        task();
      } catch (...) {
        // A failing task must not take the queue (or the process) down with it.
      }
      // The task's captures are released before the lock is taken again.
      task = nullptr;
      lock.lock();
    }
    finished = true;
    changed.notify_all();
  }
};

SerialQueue::SerialQueue(const std::string& threadName, std::chrono::milliseconds finishWait)
    : state_(std::make_shared<State>()), finishWait_(finishWait) {
  thread_ = std::thread([state = state_, name = threadName.substr(0, 15)] {
    pthread_setname_np(pthread_self(), name.c_str());
    state->run();
  });
}

SerialQueue::~SerialQueue() {
  std::deque<std::function<void()>> dropped;
  bool finished = false;
  {
    std::unique_lock lock(state_->mutex);
    state_->closing = true;
    dropped.swap(state_->tasks);
    state_->changed.notify_all();
    if (std::this_thread::get_id() != thread_.get_id()) {
      finished = state_->changed.wait_for(lock, finishWait_, [&] { return state_->finished; });
    }
  }
  if (finished) {
    thread_.join();
  } else {
    thread_.detach();
  }
}

void SerialQueue::post(std::function<void()> task) {
  std::lock_guard lock(state_->mutex);
  if (state_->closing) return;
  state_->tasks.push_back(std::move(task));
  state_->changed.notify_one();
}

}  // namespace flitbar
