#include "config/ConfigStore.h"
#include "config/InMemoryUserDefaults.h"
#include "config/JsonFileUserDefaults.h"
#include "config/LegacyInstallImporter.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using Values = std::map<std::string, json>;
using Lines = std::vector<std::string>;
using testing::readFile;
using testing::TemporaryDirectory;
using testing::writeFile;

const std::string bundle = "dev.flitbar.flitbar";
const Values marker{{"importedCorvaneSettings", true}};

std::string imported(const std::string& what) { return "imported " + what + " from the previous Corvane install"; }

TEST(LegacyInstallImporter, CopiesEarlierSettingsOnceAndNeverOverSettingsOfThisSystem) {
  const struct {
    std::optional<Values> source;
    Values destination;
    Values after;  // besides the marker
    Lines lines;
  } cases[] = {
      {Values{{"autoSwitchBoth", false},
              {"hiddenHosts", json::array({3})},
              {"unrelated", 1},
              {"dev.corvane.corvane.notifications-enabled", true}},
       {},
       {{"autoSwitchBoth", false}, {"hiddenHosts", json::array({3})}, {bundle + ".notifications-enabled", true}},
       {imported("hiddenHosts"), imported("autoSwitchBoth"), imported("notifications-enabled")}},
      {Values{{"hiddenHosts", json::array({3})}, {"hostNames", json{{"1", "Old"}}}},
       {{"hostNames", json{{"1", "Mine"}}}},
       {{"hostNames", json{{"1", "Mine"}}}},
       {}},
      {Values{}, {}, {}, {}},
      {std::nullopt, {}, {}, {}},
  };
  for (const auto& row : cases) {
    InMemoryUserDefaults source(row.source.value_or(Values{}));
    InMemoryUserDefaults destination(row.destination);
    Lines lines;
    const auto log = [&](const std::string& line) { lines.push_back(line); };
    LegacyInstallImporter::importSettings(row.source ? &source : nullptr, destination, bundle, log);
    auto after = row.after;
    after.insert(marker.begin(), marker.end());
    EXPECT_EQ(destination.values(), after);
    EXPECT_EQ(lines, row.lines);

    // A second start does nothing, even after the user cleared what was imported.
    InMemoryUserDefaults cleared(marker);
    LegacyInstallImporter::importSettings(&source, cleared, bundle, log);
    EXPECT_EQ(cleared.values().size(), 1u);
    EXPECT_EQ(lines.size(), row.lines.size());
  }
}

TEST(LegacyInstallImporter, CopiesTheBindingsFilePrivatelyAndNeverOverAnother) {
  TemporaryDirectory directory;
  const auto legacy = directory / "corvane" / "bindings.json";
  const auto target = directory / "flitbar" / "bindings.json";
  fs::create_directories(legacy.parent_path());
  writeFile(legacy, "{\"bindings\": [\"not validated\"]}\n");
  Lines lines;
  const auto log = [&](const std::string& line) { lines.push_back(line); };

  LegacyInstallImporter::importBindingsFile(legacy, target, {{"FLITBAR_CONFIG_PATH", "/elsewhere.json"}}, log);
  EXPECT_FALSE(fs::exists(target));
  LegacyInstallImporter::importBindingsFile(legacy, target, {}, log);
  EXPECT_EQ(readFile(target), readFile(legacy));
  writeFile(target, "mine");
  LegacyInstallImporter::importBindingsFile(legacy, target, {}, log);
  EXPECT_EQ(readFile(target), "mine");

  fs::create_directory(directory / "corvane.json");  // not a regular file
  LegacyInstallImporter::importBindingsFile(directory / "corvane.json", directory / "new.json", {}, log);
  EXPECT_FALSE(fs::exists(directory / "new.json"));
  EXPECT_EQ(lines, (Lines{imported("bindings.json"),
                          "could not import bindings.json from the previous Corvane install: Invalid argument"}));
}

TEST(LegacyInstallImporter, FilesAreFoundUnderTheUsersHome) {
  std::map<std::string, std::optional<std::string>> saved;
  for (const auto* name : {"HOME", "XDG_CONFIG_HOME", "FLITBAR_CONFIG_PATH"})
    saved[name] = std::getenv(name) ? std::optional<std::string>(std::getenv(name)) : std::nullopt;
  TemporaryDirectory home;
  ::setenv("HOME", home.path().c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
  ::unsetenv("FLITBAR_CONFIG_PATH");
  fs::create_directories(home / ".config/corvane");
  writeFile(home / ".config/dev.corvane.corvane.json", R"({"destinationHost": 2})");
  writeFile(home / ".config/corvane/bindings.json", R"({"bindings": []})");

  InMemoryUserDefaults standard;
  LegacyInstallImporter::importIfNeeded(standard, bundle, [](const std::string&) {});
  EXPECT_EQ(standard.integer("destinationHost"), 2);
  EXPECT_EQ(readFile(ConfigStore::defaultPath()), R"({"bindings": []})");
  EXPECT_EQ(ConfigStore::defaultPath(), (home / ".config/flitbar/bindings.json").string());
  EXPECT_EQ(JsonFileUserDefaults::forDomain(bundle)->file(), home / ".config/dev.flitbar.flitbar.json");
  for (const auto* domain : {"", "..", "a/b", ".hidden"}) EXPECT_FALSE(JsonFileUserDefaults::forDomain(domain));
  ::setenv("FLITBAR_CONFIG_PATH", "~/elsewhere.json", 1);
  EXPECT_EQ(ConfigStore::defaultPath(), "~/elsewhere.json");

  for (const auto& [name, value] : saved) value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
}

}  // namespace
}  // namespace flitbar
