#pragma once

#include "config/UserDefaults.h"

#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

namespace flitbar {

// Brings the preferences and bindings file of an earlier Corvane install over, once, and never
// over anything the user already has here. Each thing copied is reported through `log`.
namespace LegacyInstallImporter {

using Log = std::function<void(const std::string&)>;

// Corvane's preferences domain.
inline constexpr const char* legacyBundleIdentifier = "dev.corvane.corvane";
// Set in this system's preferences at the first attempt, whatever it finds.
inline constexpr const char* markerKey = "importedCorvaneSettings";
// Copied in this order.
inline constexpr std::array<const char*, 6> settingsKeys{"hostNames",       "hiddenHosts",    "deviceNames",
                                                         "destinationHost", "autoSwitchBoth", "switchAwayWhenLocked"};

// ~/.config/corvane/bindings.json
std::filesystem::path legacyBindingsPath();

// Imports from Corvane's domain into `standard`, then copies Corvane's bindings file to
// ConfigStore::defaultPath() unless FLITBAR_CONFIG_PATH is set.
void importIfNeeded(UserDefaults& standard, const std::string& bundleIdentifier, const Log& log);

// `source` may be absent (no earlier domain).
void importSettings(const UserDefaults* source, UserDefaults& destination, const std::string& bundleIdentifier,
                    const Log& log);

void importBindingsFile(const std::filesystem::path& legacyPath, const std::filesystem::path& newPath,
                        const std::map<std::string, std::string>& environment, const Log& log);

}  // namespace LegacyInstallImporter
}  // namespace flitbar
