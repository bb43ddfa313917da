#include "config/LegacyInstallImporter.h"

#include "config/ConfigStore.h"
#include "config/GuardedRead.h"
#include "config/JsonFileUserDefaults.h"
#include "config/Settings.h"
#include "platform/linux/XdgPaths.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <system_error>

namespace flitbar::LegacyInstallImporter {
namespace {

bool existsAt(const std::filesystem::path& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0;
}

}  // namespace

std::filesystem::path legacyBindingsPath() {
  return XdgPaths::homeDirectory() / ".config" / "corvane" / "bindings.json";
}

void importIfNeeded(UserDefaults& standard, const std::string& bundleIdentifier, const Log& log) {
  const auto legacy = JsonFileUserDefaults::forDomain(legacyBundleIdentifier);
  importSettings(legacy ? &*legacy : nullptr, standard, bundleIdentifier, log);

  std::map<std::string, std::string> environment;
  if (const char* configured = std::getenv("FLITBAR_CONFIG_PATH")) environment["FLITBAR_CONFIG_PATH"] = configured;
  importBindingsFile(legacyBindingsPath(), ConfigStore::defaultPath(), environment, log);
}

void importSettings(const UserDefaults* source, UserDefaults& destination, const std::string& bundleIdentifier,
                    const Log& log) {
  if (destination.contains(markerKey)) return;
  // At most one attempt per user, whatever follows.
  destination.set(markerKey, true);
  if (source == nullptr) return;

  const auto heldBy = [](const UserDefaults& store) {
    return [&store](const char* key) { return store.contains(key); };
  };
  if (std::any_of(settingsKeys.begin(), settingsKeys.end(), heldBy(destination))) return;
  if (std::none_of(settingsKeys.begin(), settingsKeys.end(), heldBy(*source))) return;

  for (const char* key : settingsKeys) {
    if (const auto value = source->object(key)) {
      destination.set(key, *value);
      log(std::string("imported ") + key + " from the previous Corvane install");
    }
  }
  if (const auto enabled = source->object(Settings::notificationsEnabledKey(legacyBundleIdentifier))) {
    destination.set(Settings::notificationsEnabledKey(bundleIdentifier), *enabled);
    log("imported notifications-enabled from the previous Corvane install");
  }
}

void importBindingsFile(const std::filesystem::path& legacyPath, const std::filesystem::path& newPath,
                        const std::map<std::string, std::string>& environment, const Log& log) {
  if (environment.contains("FLITBAR_CONFIG_PATH")) return;
  if (existsAt(newPath) || !existsAt(legacyPath)) return;
  try {
    if (ConfigStore::writePrivateData(guardedRead(legacyPath, ConfigStore::maximumBytes), newPath, false))
      log("imported bindings.json from the previous Corvane install");
  } catch (const std::system_error& error) {
    log("could not import bindings.json from the previous Corvane install: " + error.code().message());
  }
}

}  // namespace flitbar::LegacyInstallImporter
