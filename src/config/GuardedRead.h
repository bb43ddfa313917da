#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace flitbar {

// Reads a whole regular file of at most `limit` bytes without ever blocking: opened non-blocking
// and close-on-exec, so a FIFO or device at the path is refused (EINVAL) instead of waited on.
// Throws std::system_error: the open's or stat's errno, EINVAL for anything but a regular file,
// EFBIG for a file larger than `limit` (or one that grows past it while being read).
std::string guardedRead(const std::filesystem::path& path, std::size_t limit);

}  // namespace flitbar
