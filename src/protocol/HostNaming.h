#pragma once

#include "protocol/DeviceInfo.h"

#include <optional>
#include <string>
#include <vector>

namespace flitbar::HostNaming {

// The first name a change-host device knows for `host1Based`, in device order.
std::optional<std::string> name(const std::vector<DeviceInfo>& devices, int host1Based);

// The host's name between curly quotes (“name”), when it is known and not empty.
std::optional<std::string> quotedDestination(const std::optional<std::vector<std::string>>& names, int host1Based);

}  // namespace flitbar::HostNaming
