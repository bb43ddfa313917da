#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <mutex>
#include <set>
#include <vector>

namespace flitbar {

// The controls `watch` last saw held. Reports arrive on the transport's notification thread.
class WatchState {
 public:
  // The controls of `held` not held before, ascending; remembers `held`.
  std::vector<std::uint16_t> presses(const std::vector<std::uint16_t>& held) {
    std::set<std::uint16_t> current(held.begin(), held.end());
    std::lock_guard guard(lock_);
    std::vector<std::uint16_t> fresh;
    std::set_difference(current.begin(), current.end(), held_.begin(), held_.end(), std::back_inserter(fresh));
    held_ = std::move(current);
    return fresh;
  }

 private:
  std::mutex lock_;
  std::set<std::uint16_t> held_;
};

}  // namespace flitbar
