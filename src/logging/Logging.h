#pragma once

#include "logging/LogLevel.h"

#include <string>

namespace flitbar {

// Where the application's log lines go. Implementations take lines from any thread and never
// throw or report failure.
class Logging {
public:
  virtual ~Logging() = default;

  virtual void log(LogLevel level, const std::string& message) = 0;

  void info(const std::string& message) { log(LogLevel::info, message); }
  void warning(const std::string& message) { log(LogLevel::warning, message); }
  void error(const std::string& message) { log(LogLevel::error, message); }
};

}  // namespace flitbar
