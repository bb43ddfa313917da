#include "config/ConfigStore.h"

#include "config/ConfigStoreError.h"
#include "config/GuardedRead.h"
#include "platform/linux/XdgPaths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <system_error>

namespace flitbar {
namespace {

std::string descriptionOf(const std::system_error& error) { return error.code().message(); }

bool existsAt(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0;
}

bool isDirectory(const std::filesystem::path& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

ConfigLoad withIssue(ConfigIssue::Kind kind, std::string message) {
  return {{}, {{kind, std::nullopt, std::move(message)}}, false};
}

// Why someone other than the user could change what the file runs; absent when nobody can.
std::optional<std::string> untrustedBecause(const std::filesystem::path& file) {
  for (const auto& path : {file, std::filesystem::absolute(file).parent_path()}) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return path.string() + " cannot be checked";
    if (status.st_uid != ::geteuid()) return path.string() + " is owned by another user";
    if (status.st_mode & (S_IWGRP | S_IWOTH)) return path.string() + " is writable by other users";
  }
  return std::nullopt;
}

// Shell commands run with the user's rights, so only a file nobody else can change may name them.
// Host bindings stay: the worst a stranger could do with them is move the devices.
ConfigLoad trustedCommandsOnly(ConfigLoad load, const std::string& path) {
  const auto runsCommand = [](const Binding& binding) { return binding.command.has_value(); };
  if (std::none_of(load.bindings.begin(), load.bindings.end(), runsCommand)) return load;
  const auto reason = untrustedBecause(path);
  if (!reason) return load;
  std::erase_if(load.bindings, runsCommand);
  load.issues.push_back({ConfigIssue::Kind::unreadable, std::nullopt, "command bindings are ignored: " + *reason});
  return load;
}

}  // namespace

std::string ConfigStore::defaultPath() {
  if (const char* configured = std::getenv("FLITBAR_CONFIG_PATH")) return configured;
  return (XdgPaths::homeDirectory() / ".config" / "flitbar" / "bindings.json").string();
}

ConfigLoad ConfigStore::load(bool seedIfMissing) const {
  if (existsAt(path)) {
    try {
      return trustedCommandsOnly(parse(guardedRead(path, maximumBytes)), path);
    } catch (const std::system_error& error) {
      return withIssue(ConfigIssue::Kind::unreadable,
                       "configuration at " + path + " is unreadable: " + descriptionOf(error));
    }
  }
  if (!seedIfMissing) return withIssue(ConfigIssue::Kind::missing, "configuration is missing at " + path);
  try {
    if (writePrivateData(seedData(), path, false)) return {{}, {}, true};
  } catch (const std::system_error& error) {
    return withIssue(ConfigIssue::Kind::unreadable,
                     "could not create starter configuration at " + path + ": " + descriptionOf(error));
  }
  // Another writer created the file first: read what it wrote.
  return load(false);
}

std::string ConfigStore::exportData() const {
  if (!existsAt(path)) throw ConfigStoreError::missing(path);
  try {
    return guardedRead(path, maximumBytes);
  } catch (const std::system_error& error) {
    throw ConfigStoreError::unreadable(descriptionOf(error));
  }
}

std::filesystem::path ConfigStore::nearestExistingDirectory() const {
  std::error_code ignored;
  auto directory = std::filesystem::absolute(path, ignored).lexically_normal().parent_path();
  while (!isDirectory(directory)) {
    const auto parent = directory.parent_path();
    if (parent == directory || parent.empty()) return directory.empty() ? std::filesystem::path("/") : directory;
    directory = parent;
  }
  return directory;
}

const std::string& ConfigStore::seedData() {
  static const std::string text =
      "{\n"
      "  \"_comment\": \"An empty list means automatic: the keyboard's Easy-Switch keys and the mouse's top button "
      "move every device together. Add a binding to take over. `Flitbar list` prints device indexes and `Flitbar "
      "watch -d N` prints control IDs (quit the app first).\",\n"
      "  \"_example\": {\n"
      "    \"device\": 1,\n"
      "    \"cid\": 196,\n"
      "    \"name\": \"Mouse top button -> everything to host 2\",\n"
      "    \"switchToHost\": 2\n"
      "  },\n"
      "  \"bindings\": []\n"
      "}";
  return text;
}

}  // namespace flitbar
