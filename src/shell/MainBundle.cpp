#include "shell/MainBundle.h"

#include <fstream>
#include <sstream>
#include <system_error>

namespace flitbar {

MainBundle MainBundle::locate(const std::filesystem::path& executable, const std::string& bundleIdentifier) {
  const auto entry =
      executable.parent_path().parent_path() / "share" / "applications" / (bundleIdentifier + ".desktop");
  std::ifstream file(entry);
  if (!file) return {};
  std::ostringstream text;
  text << file.rdbuf();
  return {bundleIdentifier, parseDesktopEntry(text.str())};
}

MainBundle MainBundle::ofRunningProcess(const std::string& bundleIdentifier) {
  std::error_code error;
  const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return locate(executable, bundleIdentifier);
}

std::map<std::string, std::string> MainBundle::parseDesktopEntry(const std::string& text) {
  std::map<std::string, std::string> keys;
  std::istringstream lines(text);
  std::string line;
  bool inMainGroup = false;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      inMainGroup = line == "[Desktop Entry]";
      continue;
    }
    const auto equals = line.find('=');
    if (!inMainGroup || equals == std::string::npos) continue;
    auto key = line.substr(0, equals);
    while (!key.empty() && key.back() == ' ') key.pop_back();
    if (key.find('[') != std::string::npos) continue;
    auto value = line.substr(equals + 1);
    value.erase(0, value.find_first_not_of(' '));
    keys.emplace(std::move(key), std::move(value));
  }
  return keys;
}

}  // namespace flitbar
