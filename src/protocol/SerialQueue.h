#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace flitbar {

// A thread of its own that runs posted tasks one at a time, in the order they were posted.
//
// Threading: `post` may be called from any thread, including from a running task. A task that
// throws is abandoned and the queue carries on: nothing escapes the thread.
//
// Destruction drops the tasks that have not started, then waits at most `finishWait` for the
// running one. A task that outlives that wait (or a queue destroyed from inside its own task)
// finishes on a detached thread that owns everything it touches, so no freed memory is reached.
class SerialQueue {
public:
  // The thread is named `threadName` (at most 15 characters are kept).
  explicit SerialQueue(const std::string& threadName,
                       std::chrono::milliseconds finishWait = std::chrono::milliseconds(2000));
  ~SerialQueue();

  SerialQueue(const SerialQueue&) = delete;
  SerialQueue& operator=(const SerialQueue&) = delete;

  void post(std::function<void()> task);

private:
  struct State;
  std::shared_ptr<State> state_;
  std::chrono::milliseconds finishWait_;
  std::thread thread_;
};

}  // namespace flitbar
