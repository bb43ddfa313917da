#pragma once

#include "logging/Logging.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>

struct stat;

namespace flitbar {

// Appends "<UTC time> [LEVEL] message" lines to one private file (0600 in a 0700 folder). Each line opens, appends to
// and closes the file, so the file may be moved or truncated at any time; a deleted file drops lines until it is
// created again. Once the file passes `maximumBytes` it is cut to its newest half before the next line. Any thread may
// log; a lock keeps each line and each cut whole.
class FileLogger : public Logging {
 public:
  using Clock = std::function<std::chrono::system_clock::time_point()>;

  // Creates the file (and its directories) when missing and makes the file 0600 and its folder
  // 0700; failures only mean lost lines.
  FileLogger(std::filesystem::path fileURL, std::int64_t maximumBytes, Clock clock = std::chrono::system_clock::now);

  void log(LogLevel level, const std::string& message) override;

  const std::filesystem::path& fileURL() const { return fileURL_; }

  // 2026-12-05T13:57:02Z
  static std::string timestamp(std::chrono::system_clock::time_point time);

 private:
  void prepareFile();
  void rotateIfNeeded();
  // Cuts the file to its newest half through a temporary file; false when that failed.
  bool trim(const struct stat& status);

  std::filesystem::path fileURL_;
  std::int64_t maximumBytes_;
  Clock clock_;
  std::mutex lock_;
  // The size at which the last cut failed, so that a cut that keeps failing is not retried (and
  // the whole file read) before every line.
  std::optional<std::int64_t> failedTrimSize_;
};

}  // namespace flitbar
