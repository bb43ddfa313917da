#include "logging/FileLogger.h"

#include "platform/linux/WriteAll.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <ctime>
#include <string_view>

namespace flitbar {
namespace {

bool readAll(int fd, std::string& data) {
  char chunk[65536];
  while (true) {
    const auto count = ::read(fd, chunk, sizeof chunk);
    if (count < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (count == 0) return true;
    data.append(chunk, static_cast<std::size_t>(count));
  }
}

std::string upperCased(std::string_view text) {
  std::string result(text);
  for (auto& character : result) character = static_cast<char>(std::toupper(static_cast<unsigned char>(character)));
  return result;
}

}  // namespace

FileLogger::FileLogger(std::filesystem::path fileURL, std::int64_t maximumBytes, Clock clock)
    : fileURL_(std::move(fileURL)), maximumBytes_(maximumBytes), clock_(std::move(clock)) {
  prepareFile();
}

std::string FileLogger::timestamp(std::chrono::system_clock::time_point time) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(std::chrono::floor<std::chrono::seconds>(time));
  std::tm utc{};
  ::gmtime_r(&seconds, &utc);
  char text[32];
  const auto length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return std::string(text, length);
}

void FileLogger::prepareFile() {
  // The log names hosts and devices: only its owner may read it.
  std::error_code ignored;
  const auto folder = fileURL_.parent_path();
  std::filesystem::create_directories(folder, ignored);
  std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ignored);
  const int fd = ::open(fileURL_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return;
  ::fchmod(fd, 0600);
  ::close(fd);
}

void FileLogger::log(LogLevel level, const std::string& message) {
  const std::lock_guard guard(lock_);
  rotateIfNeeded();
  const auto line = timestamp(clock_()) + " [" + upperCased(logLevelName(level)) + "] " + message + "\n";
  // No O_CREAT: a log file removed while we run stays removed.
  const int fd = ::open(fileURL_.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) return;
  writeAll(fd, line);
  ::close(fd);
}

void FileLogger::rotateIfNeeded() {
  struct stat status {};
  if (::stat(fileURL_.c_str(), &status) != 0 || status.st_size <= maximumBytes_) return;

  const int source = ::open(fileURL_.c_str(), O_RDONLY | O_CLOEXEC);
  if (source < 0) return;
  std::string contents;
  const bool complete = readAll(source, contents);
  ::close(source);
  if (!complete) return;
  // The cut may fall inside a line or a character; the newest half is what matters.
  const auto keep = static_cast<std::size_t>(maximumBytes_ / 2);
  if (contents.size() > keep) contents.erase(0, contents.size() - keep);

  auto temporary = fileURL_;
  temporary += ".trim";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, status.st_mode & 0777);
  if (fd < 0) return;
  const bool written = writeAll(fd, contents) && ::fsync(fd) == 0;
  ::close(fd);
  if (!written || ::rename(temporary.c_str(), fileURL_.c_str()) != 0) ::unlink(temporary.c_str());
}

}  // namespace flitbar
