#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <vector>

namespace flitbar {

// Turns the "controls held now" lists of diverted-button events into new presses.
//
// A control counts once per press: repeated events that still list it, or the release of another
// control, do not fire it again; it fires again only after an event that no longer lists it.
// There is no timing window. Plain value; the engine owns one and empties it on every connect.
struct ButtonDebouncer {
  // Controls last reported held, per device index.
  std::map<std::uint8_t, std::set<std::uint16_t>> held;

  // The controls of `currentlyHeld` that were not held before on `device`, ascending.
  std::vector<std::uint16_t> presses(std::uint8_t device, const std::vector<std::uint16_t>& currentlyHeld);

  bool operator==(const ButtonDebouncer&) const = default;
};

}  // namespace flitbar
