#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace flitbar {

// A time limit on the requests one thread makes while a scope lasts, so that a device that stops
// answering part-way through a long walk costs the budget, not one timeout per remaining request.
// Other threads' requests are not limited. Safe to use from any thread.
class RequestBudget {
 public:
  // Limits the calling thread's requests until the scope ends.
  class Scope {
   public:
    Scope(RequestBudget& budget, std::chrono::steady_clock::duration limit);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    RequestBudget& budget_;
  };

  // How long a request of the calling thread may wait: `timeoutSeconds`, cut to what is left of a
  // running budget; nothing once that is spent.
  std::optional<double> allow(double timeoutSeconds) const;

 private:
  mutable std::mutex lock_;
  std::map<std::thread::id, std::chrono::steady_clock::time_point> deadlines_;
};

}  // namespace flitbar
