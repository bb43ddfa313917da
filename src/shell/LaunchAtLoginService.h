#pragma once

#include "shell/LaunchAtLogin.h"

#include <filesystem>
#include <string>

namespace flitbar {

// Launch at login through an XDG autostart entry. On means the entry exists and is not
// `Hidden=true` (the desktop's own way of turning an entry off). The entry starts the executable
// with `loginLaunchVariable` set, so the application can tell a login launch from a user's start.
class LaunchAtLoginService : public LaunchAtLogin {
 public:
  static constexpr const char* loginLaunchVariable = "FLITBAR_LOGIN_LAUNCH";

  LaunchAtLoginService(std::filesystem::path entry, std::filesystem::path executable, std::string name);

  // $XDG_CONFIG_HOME/autostart/<bundleIdentifier>.desktop (XDG_CONFIG_HOME defaults to ~/.config).
  static std::filesystem::path entryPath(const std::string& bundleIdentifier);
  // Whether this process was started by the entry; clears the mark so that children do not inherit it.
  static bool takeLoginLaunchMark();

  bool isEnabled() const override;
  // Writes the entry atomically or removes it; throws std::runtime_error naming the file and the cause.
  void setEnabled(bool enabled) override;

 private:
  std::filesystem::path entry_;
  std::filesystem::path executable_;
  std::string name_;
};

}  // namespace flitbar
