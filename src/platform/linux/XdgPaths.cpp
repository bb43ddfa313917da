#include "platform/linux/XdgPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace flitbar::XdgPaths {
namespace {

std::filesystem::path absoluteVariableOr(const char* variable, const std::filesystem::path& fallback) {
  // Relative values are invalid by the XDG base-directory rules and must be ignored.
  if (const char* value = std::getenv(variable); value && value[0] == '/') return value;
  return fallback;
}

}  // namespace

std::filesystem::path homeDirectory() {
  if (const char* home = std::getenv("HOME"); home && home[0] != '\0') return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* result = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result && result->pw_dir)
    return result->pw_dir;
  return std::filesystem::current_path();
}

std::filesystem::path configHome() { return absoluteVariableOr("XDG_CONFIG_HOME", homeDirectory() / ".config"); }

std::filesystem::path stateHome() {
  return absoluteVariableOr("XDG_STATE_HOME", homeDirectory() / ".local" / "state");
}

}  // namespace flitbar::XdgPaths
