#include "shell/LaunchAtLoginService.h"

#include "config/ConfigStore.h"
#include "platform/linux/XdgPaths.h"
#include "shell/MainBundle.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace flitbar {

namespace {

// One argument of an Exec line: always quoted, with the characters the desktop-entry rules reserve
// inside quotes escaped, then backslashes doubled for the string value and '%' doubled for field codes.
std::string quotedExecArgument(const std::string& argument) {
  std::string inner;
  for (const char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') inner += '\\';
    inner += c;
  }
  std::string quoted = "\"";
  for (const char c : inner) {
    if (c == '\\' || c == '%') quoted += c;
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

LaunchAtLoginService::LaunchAtLoginService(std::filesystem::path entry, std::filesystem::path executable,
                                           std::string name)
    : entry_(std::move(entry)), executable_(std::move(executable)), name_(std::move(name)) {}

std::filesystem::path LaunchAtLoginService::entryPath(const std::string& bundleIdentifier) {
  return XdgPaths::configHome() / "autostart" / (bundleIdentifier + ".desktop");
}

bool LaunchAtLoginService::takeLoginLaunchMark() {
  const char* mark = std::getenv(loginLaunchVariable);
  const bool marked = mark && std::string(mark) == "1";
  unsetenv(loginLaunchVariable);
  return marked;
}

bool LaunchAtLoginService::isEnabled() const {
  std::ifstream file(entry_);
  if (!file) return false;
  std::stringstream text;
  text << file.rdbuf();
  const auto keys = MainBundle::parseDesktopEntry(text.str());
  const auto hidden = keys.find("Hidden");
  return hidden == keys.end() || hidden->second != "true";
}

void LaunchAtLoginService::setEnabled(bool enabled) {
  try {
    if (!enabled) {
      std::filesystem::remove(entry_);
      return;
    }
    const std::string text = "[Desktop Entry]\nType=Application\nName=" + name_ + "\nExec=env " + loginLaunchVariable +
                             "=1 " + quotedExecArgument(executable_.string()) +
                             "\nNoDisplay=true\nX-GNOME-Autostart-enabled=true\n";
    ConfigStore::writePrivateData(text, entry_, true);
  } catch (const std::system_error& error) {
    throw std::runtime_error("Could not " + std::string(enabled ? "write " : "remove ") + entry_.string() + ": " +
                             error.code().message());
  }
}

}  // namespace flitbar
