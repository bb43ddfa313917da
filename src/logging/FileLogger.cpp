#include "logging/FileLogger.h"

#include "platform/linux/WriteAll.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
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
  // The log tells what the devices did and which commands failed: for the user's eyes only.
  std::error_code ignored;
  std::filesystem::create_directories(fileURL_.parent_path(), ignored);
  ::chmod(fileURL_.parent_path().c_str(), 0700);
  const int fd = ::open(fileURL_.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
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
  // After a failed cut, wait for another half of the limit before reading the whole file again.
  if (failedTrimSize_ && status.st_size <= *failedTrimSize_ + maximumBytes_ / 2) return;
  failedTrimSize_ = trim(status) ? std::nullopt : std::optional<std::int64_t>(status.st_size);
}

bool FileLogger::trim(const struct stat& status) {
  const int source = ::open(fileURL_.c_str(), O_RDONLY | O_CLOEXEC);
  if (source < 0) return false;
  std::string contents;
  const bool complete = readAll(source, contents);
  ::close(source);
  if (!complete) return false;
  // The cut may fall inside a line or a character; the newest half is what matters.
  const auto keep = static_cast<std::size_t>(maximumBytes_ / 2);
  if (contents.size() > keep) contents.erase(0, contents.size() - keep);

  // A fresh name of our own: nothing planted beside the log can be written through.
  std::string temporary = fileURL_.string() + ".trim-XXXXXX";
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return false;
  const bool written = ::fchmod(fd, status.st_mode & 0600) == 0 && writeAll(fd, contents) && ::fsync(fd) == 0;
  ::close(fd);
  if (written && ::rename(temporary.c_str(), fileURL_.c_str()) == 0) return true;
  ::unlink(temporary.c_str());
  return false;
}

}  // namespace flitbar
