#pragma once

#include <string_view>

namespace flitbar {

// Writes all of `data` to `fd`, retrying short and interrupted writes.
// False with errno set when a write fails.
bool writeAll(int fd, std::string_view data);

}  // namespace flitbar
