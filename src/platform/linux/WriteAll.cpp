#include "platform/linux/WriteAll.h"

#include <unistd.h>

#include <cerrno>

namespace flitbar {

bool writeAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const auto count = ::write(fd, data.data(), data.size());
    if (count < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(count));
  }
  return true;
}

}  // namespace flitbar
