#pragma once

#include "config/Binding.h"
#include "protocol/ControlInfo.h"
#include "protocol/DeviceInfo.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace flitbar::DefaultBindings {

// The keyboard's Easy-Switch channel keys and the host each selects.
const std::map<std::uint16_t, std::uint8_t>& easySwitchKeys();

// Where the automatic spare-button binding sends the devices: the preferred host when it is
// valid, visible and not the current one; otherwise the lowest other visible host. Absent with
// fewer than two hosts, or when the current host is unknown and no preference applies.
std::optional<std::uint8_t> destination(std::optional<int> thisHost, int hostCount,
                                        std::optional<std::uint8_t> preferred, const std::set<int>& hidden);

// The divertable controls fit to be the spare button, best first: the top button, the gesture
// button, then other named controls ascending (never an Easy-Switch key or a click).
std::vector<std::uint16_t> spareButtonChoices(const std::vector<ControlInfo>& controls);

// The automatic bindings: every divertable Easy-Switch key moves all devices to its host (unless
// hidden or beyond the device's host count), and one spare button per device moves them to
// `destination`. Devices in index order, keys before the spare button. A device missing from
// `controls` or without reprogrammable controls gets none.
std::vector<Binding> plan(const std::vector<DeviceInfo>& devices,
                          const std::map<std::uint8_t, std::vector<ControlInfo>>& controls,
                          std::optional<std::uint8_t> destination, const std::set<int>& hidden);

}  // namespace flitbar::DefaultBindings
