#include "engine/ButtonDebouncer.h"

#include <algorithm>
#include <iterator>

namespace flitbar {

std::vector<std::uint16_t> ButtonDebouncer::presses(std::uint8_t device,
                                                    const std::vector<std::uint16_t>& currentlyHeld) {
  std::set<std::uint16_t> current(currentlyHeld.begin(), currentlyHeld.end());
  std::set<std::uint16_t>& previous = held[device];
  std::vector<std::uint16_t> fresh;
  std::set_difference(current.begin(), current.end(), previous.begin(), previous.end(), std::back_inserter(fresh));
  previous = std::move(current);
  return fresh;
}

}  // namespace flitbar
