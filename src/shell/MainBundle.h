#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace flitbar {

// The installed application that the running executable belongs to, if any.
//
// On Linux the "bundle" is an installation prefix: <prefix>/bin/<executable> beside
// <prefix>/share/applications/<bundle identifier>.desktop. The desktop entry's keys are the
// bundle's information dictionary. A bare executable in a build tree has no bundle.
struct MainBundle {
  std::optional<std::string> identifier;
  std::map<std::string, std::string> info;

  // Looks for the desktop entry named `bundleIdentifier` relative to `executable`.
  static MainBundle locate(const std::filesystem::path& executable, const std::string& bundleIdentifier);
  // The same for the running process (/proc/self/exe).
  static MainBundle ofRunningProcess(const std::string& bundleIdentifier);

  // Keys and values of the [Desktop Entry] group; localised keys ("Name[de]") and comments are skipped.
  static std::map<std::string, std::string> parseDesktopEntry(const std::string& text);

  bool operator==(const MainBundle&) const = default;
};

}  // namespace flitbar
