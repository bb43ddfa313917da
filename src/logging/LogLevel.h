#pragma once

#include <string_view>

namespace flitbar {

enum class LogLevel { debug, info, warning, error };

// "debug", "info", "warning", "error".
std::string_view logLevelName(LogLevel level);

}  // namespace flitbar
