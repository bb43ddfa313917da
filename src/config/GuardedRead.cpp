#include "config/GuardedRead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace flitbar {
namespace {

[[noreturn]] void failWith(int code) {
  // Anything outside the POSIX range is reported as a plain I/O error.
  if (code <= 0 || code >= 4096) code = EIO;
  throw std::system_error(code, std::generic_category());
}

class Descriptor {
public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() { ::close(fd_); }  // an error on close changes nothing for a reader
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

private:
  int fd_;
};

}  // namespace

std::string guardedRead(const std::filesystem::path& path, std::size_t limit) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) failWith(errno);
  const Descriptor descriptor(fd);

  struct stat status {};
  if (::fstat(fd, &status) != 0) failWith(errno);
  if (!S_ISREG(status.st_mode)) failWith(EINVAL);
  if (static_cast<std::uintmax_t>(status.st_size) > limit) failWith(EFBIG);

  // One byte beyond the limit tells a file that grew since the stat from one that fits exactly.
  std::string data;
  data.reserve(static_cast<std::size_t>(status.st_size) + 1);
  char chunk[65536];
  while (data.size() <= limit) {
    const auto wanted = std::min(sizeof chunk, limit + 1 - data.size());
    const auto count = ::read(fd, chunk, wanted);
    if (count < 0) {
      if (errno == EINTR) continue;
      failWith(errno);
    }
    if (count == 0) break;
    data.append(chunk, static_cast<std::size_t>(count));
  }
  if (data.size() > limit) failWith(EFBIG);
  return data;
}

}  // namespace flitbar
