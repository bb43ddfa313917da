#include "logging/LogLevel.h"

namespace flitbar {

std::string_view logLevelName(LogLevel level) {
  switch (level) {
    case LogLevel::debug: return "debug";
    case LogLevel::info: return "info";
    case LogLevel::warning: return "warning";
    case LogLevel::error: return "error";
  }
  return "info";
}

}  // namespace flitbar
