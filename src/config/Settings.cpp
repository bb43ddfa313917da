#include "config/Settings.h"

#include "config/TextTrimming.h"

#include <cmath>

namespace flitbar::Settings {
namespace {

bool isHost(std::int64_t value) { return value >= 1 && value <= 3; }

// The stored dictionary when every value in it is a string; absent otherwise.
std::optional<nlohmann::json> stringDictionary(const char* key, const UserDefaults& defaults) {
  auto stored = defaults.object(key);
  if (!stored || !stored->is_object()) return std::nullopt;
  for (const auto& [name, value] : stored->items())
    if (!value.is_string()) return std::nullopt;
  return stored;
}

std::optional<std::string> namedEntry(const char* key, const std::string& entry, const UserDefaults& defaults) {
  const auto dictionary = stringDictionary(key, defaults);
  if (!dictionary) return std::nullopt;
  const auto found = dictionary->find(entry);
  if (found == dictionary->end()) return std::nullopt;
  const auto name = trimmed(found->get_ref<const std::string&>());
  if (name.empty()) return std::nullopt;
  return std::string(name);
}

void setNamedEntry(const char* key, const std::string& entry, const std::optional<std::string>& name,
                   UserDefaults& defaults) {
  auto dictionary = stringDictionary(key, defaults).value_or(nlohmann::json::object());
  const auto cleaned = name ? trimmed(*name) : std::string_view();
  if (cleaned.empty()) {
    dictionary.erase(entry);
  } else {
    dictionary[entry] = std::string(cleaned);
  }
  defaults.set(key, dictionary);
}

}  // namespace

std::string notificationsEnabledKey(const std::string& bundleIdentifier) {
  return bundleIdentifier + ".notifications-enabled";
}

bool autoSwitchBoth(const UserDefaults& defaults) { return defaults.boolean(Keys::autoSwitchBoth).value_or(true); }

bool switchAwayWhenLocked(const UserDefaults& defaults) {
  return defaults.boolean(Keys::switchAwayWhenLocked).value_or(true);
}

std::optional<int> destinationHost(const UserDefaults& defaults) {
  const auto host = defaults.integer(Keys::destinationHost);
  if (!host || !isHost(*host)) return std::nullopt;
  return static_cast<int>(*host);
}

std::set<int> hiddenHosts(const UserDefaults& defaults) {
  std::set<int> hosts;
  const auto stored = defaults.object(Keys::hiddenHosts);
  if (!stored || !stored->is_array()) return hosts;
  for (const auto& value : *stored) {
    if (!value.is_number()) continue;
    const double number = value.get<double>();
    if (std::trunc(number) == number && number >= 1 && number <= 3) hosts.insert(static_cast<int>(number));
  }
  return hosts;
}

void setHost(int host, bool hidden, UserDefaults& defaults) {
  auto hosts = hiddenHosts(defaults);
  if (hidden) {
    hosts.insert(host);
  } else {
    hosts.erase(host);
  }
  defaults.set(Keys::hiddenHosts, nlohmann::json(std::vector<int>(hosts.begin(), hosts.end())));
}

std::optional<std::string> hostName(int host, const UserDefaults& defaults) {
  return namedEntry(Keys::hostNames, std::to_string(host), defaults);
}

void setHostName(const std::optional<std::string>& name, int host, UserDefaults& defaults) {
  setNamedEntry(Keys::hostNames, std::to_string(host), name, defaults);
}

std::string deviceKey(const std::optional<std::string>& unitID, const std::string& name) {
  if (unitID && !unitID->empty()) return "unit:" + *unitID;
  return "name:" + name;
}

std::optional<std::string> deviceName(const std::optional<std::string>& unitID, const std::string& name,
                                      const UserDefaults& defaults) {
  return namedEntry(Keys::deviceNames, deviceKey(unitID, name), defaults);
}

void setDeviceName(const std::optional<std::string>& newName, const std::optional<std::string>& unitID,
                   const std::string& name, UserDefaults& defaults) {
  setNamedEntry(Keys::deviceNames, deviceKey(unitID, name), newName, defaults);
}

bool shouldMigrateLegacyNotifications(const std::string& bundleIdentifier, const UserDefaults& defaults) {
  if (defaults.contains(notificationsEnabledKey(bundleIdentifier))) return false;
  const auto legacy = defaults.object(Keys::legacyNotificationsEnabled);
  if (!legacy) return false;
  if (legacy->is_boolean()) return legacy->get<bool>();
  return legacy->is_number() && legacy->get<double>() != 0;
}

}  // namespace flitbar::Settings
