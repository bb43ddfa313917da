#pragma once

#include "config/UserDefaults.h"

#include <optional>
#include <set>
#include <string>

namespace flitbar {

// The user's choices from the panel, read and written with one set of defaults and clean-up
// rules. No state of its own: every read goes to the store.
namespace Settings {

namespace Keys {
inline constexpr const char* autoSwitchBoth = "autoSwitchBoth";
inline constexpr const char* switchAwayWhenLocked = "switchAwayWhenLocked";
inline constexpr const char* destinationHost = "destinationHost";
inline constexpr const char* hiddenHosts = "hiddenHosts";
inline constexpr const char* hostNames = "hostNames";
inline constexpr const char* deviceNames = "deviceNames";
// The switch under its earlier name; read only to migrate it.
inline constexpr const char* legacyNotificationsEnabled = "notificationsEnabled";
}  // namespace Keys

// bundle identifier + ".notifications-enabled"
std::string notificationsEnabledKey(const std::string& bundleIdentifier);

// True unless a boolean false is stored.
bool autoSwitchBoth(const UserDefaults& defaults);
bool switchAwayWhenLocked(const UserDefaults& defaults);

// The stored host when it is 1, 2 or 3.
std::optional<int> destinationHost(const UserDefaults& defaults);

// The stored hosts from 1 through 3; anything else is ignored.
std::set<int> hiddenHosts(const UserDefaults& defaults);
// Writes the updated set back as an ascending array.
void setHost(int host, bool hidden, UserDefaults& defaults);

// The user's trimmed name for a host; absent when missing or blank.
std::optional<std::string> hostName(int host, const UserDefaults& defaults);
// Stores the trimmed name, or removes the entry when the name is absent or blank.
void setHostName(const std::optional<std::string>& name, int host, UserDefaults& defaults);

// "unit:" + unit id when there is a non-empty one, otherwise "name:" + the device's name.
std::string deviceKey(const std::optional<std::string>& unitID, const std::string& name);
std::optional<std::string> deviceName(const std::optional<std::string>& unitID, const std::string& name,
                                      const UserDefaults& defaults);
void setDeviceName(const std::optional<std::string>& newName, const std::optional<std::string>& unitID,
                   const std::string& name, UserDefaults& defaults);

// Due while the current key is absent and the earlier key holds a true boolean or a non-zero number.
bool shouldMigrateLegacyNotifications(const std::string& bundleIdentifier, const UserDefaults& defaults);

}  // namespace Settings
}  // namespace flitbar
