#include "protocol/RequestBudget.h"

#include <algorithm>

namespace flitbar {

RequestBudget::Scope::Scope(RequestBudget& budget, std::chrono::steady_clock::duration limit) : budget_(budget) {
  std::lock_guard lock(budget_.lock_);
  budget_.deadlines_[std::this_thread::get_id()] = std::chrono::steady_clock::now() + limit;
}

RequestBudget::Scope::~Scope() {
  std::lock_guard lock(budget_.lock_);
  budget_.deadlines_.erase(std::this_thread::get_id());
}

std::optional<double> RequestBudget::allow(double timeoutSeconds) const {
  std::lock_guard lock(lock_);
  const auto found = deadlines_.find(std::this_thread::get_id());
  if (found == deadlines_.end()) return timeoutSeconds;
  const std::chrono::duration<double> left = found->second - std::chrono::steady_clock::now();
  if (left.count() <= 0) return std::nullopt;
  return std::min(timeoutSeconds, left.count());
}

}  // namespace flitbar
