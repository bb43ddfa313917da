#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace flitbar::ControlNames {

// Display names of the well-known controls, by control id.
const std::map<std::uint16_t, std::string>& names();

}  // namespace flitbar::ControlNames
