#include "config/ConfigStore.h"

#include "platform/linux/WriteAll.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <system_error>
#include <vector>

#include <fmt/format.h>

namespace flitbar {
namespace {

[[noreturn]] void failWith(int code) { throw std::system_error(code, std::generic_category()); }

// A random (version 4) UUID in its usual upper-case text form.
std::string freshUUID() {
  std::array<unsigned char, 16> bytes{};
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    const auto count = ::getrandom(bytes.data() + filled, bytes.size() - filled, 0);
    if (count < 0) {
      if (errno == EINTR) continue;
      failWith(errno);
    }
    filled += static_cast<std::size_t>(count);
  }
  bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);
  bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);
  std::string text;
  for (std::size_t index = 0; index < bytes.size(); ++index) {
    if (index == 4 || index == 6 || index == 8 || index == 10) text += '-';
    text += fmt::format("{:02X}", bytes[index]);
  }
  return text;
}

// Creates `directory` and its missing ancestors with mode 0700, set explicitly so that the
// umask can neither widen nor narrow it. Existing directories are left as they are.
void createPrivateDirectories(const std::filesystem::path& directory) {
  std::vector<std::filesystem::path> missing;
  for (auto current = directory; !current.empty();) {
    struct stat status {};
    if (::stat(current.c_str(), &status) == 0) {
      if (!S_ISDIR(status.st_mode)) failWith(ENOTDIR);
      break;
    }
    if (errno != ENOENT) failWith(errno);
    missing.push_back(current);
    const auto parent = current.parent_path();
    if (parent == current) break;
    current = parent;
  }
  for (auto step = missing.rbegin(); step != missing.rend(); ++step) {
    if (::mkdir(step->c_str(), 0700) != 0) {
      struct stat status {};
      // Another writer may have made it in the meantime.
      if (errno == EEXIST && ::stat(step->c_str(), &status) == 0 && S_ISDIR(status.st_mode)) continue;
      failWith(errno);
    }
    if (::chmod(step->c_str(), 0700) != 0) failWith(errno);
  }
}

// The temporary name is removed however the write ends; after a rename or link it is only a
// second name (or none at all), so removing it never touches the target.
class TemporaryName {
 public:
  explicit TemporaryName(std::filesystem::path path) : path_(std::move(path)) {}
  ~TemporaryName() { ::unlink(path_.c_str()); }
  TemporaryName(const TemporaryName&) = delete;
  TemporaryName& operator=(const TemporaryName&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

void syncDirectory(const std::filesystem::path& directory) {
  // Makes the new name durable too; a failure here cannot undo the write, so it is not reported.
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

bool ConfigStore::writePrivateData(std::string_view data, const std::filesystem::path& target, bool overwrite) {
  const auto directory = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
  createPrivateDirectories(directory);

  const auto temporaryPath = directory / ("." + std::string("flitbar-") + freshUUID() + ".tmp");
  const int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) failWith(errno);
  const TemporaryName temporary(temporaryPath);
  if (::fchmod(fd, 0600) != 0 || !writeAll(fd, data) || ::fsync(fd) != 0) {
    const int failure = errno;
    ::close(fd);
    failWith(failure);
  }
  if (::close(fd) != 0) failWith(errno);

  if (overwrite) {
    if (::rename(temporary.path().c_str(), target.c_str()) != 0) failWith(errno);
    syncDirectory(directory);
    return true;
  }
  if (::link(temporary.path().c_str(), target.c_str()) != 0) {
    if (errno == EEXIST) return false;
    failWith(errno);
  }
  syncDirectory(directory);
  return true;
}

}  // namespace flitbar
