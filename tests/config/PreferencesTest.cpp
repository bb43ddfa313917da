#include "config/ConfigStore.h"
#include "config/InMemoryUserDefaults.h"
#include "config/JsonFileUserDefaults.h"
#include "config/LegacyInstallImporter.h"
#include "config/Settings.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using Values = std::map<std::string, json>;
using testing::readFile;
using testing::TemporaryDirectory;
using testing::writeFile;

const std::string bundle = "dev.flitbar.flitbar";
const auto quiet = [](const std::string&) {};

class JsonFileUserDefaultsTest : public ::testing::Test {
 protected:
  TemporaryDirectory directory;
  fs::path file = directory / "prefs" / "dev.example.app.json";
  fs::path setAside = directory / "prefs" / "dev.example.app.json.corrupt";
};

TEST_F(JsonFileUserDefaultsTest, ValuesKeepTheirTypesAcrossInstances) {
  JsonFileUserDefaults writer(file);
  writer.set("autoSwitchBoth", false);
  writer.set("destinationHost", 2);
  writer.set("deviceName", "bad \xff byte");

  const JsonFileUserDefaults reader(file);
  EXPECT_EQ(reader.boolean("autoSwitchBoth"), false);
  EXPECT_EQ(reader.integer("destinationHost"), 2);
  EXPECT_EQ(reader.string("deviceName"), "bad \xEF\xBF\xBD byte");
  writer.remove("destinationHost");
  EXPECT_FALSE(reader.contains("destinationHost"));
  EXPECT_TRUE(reader.contains("autoSwitchBoth"));
}

TEST_F(JsonFileUserDefaultsTest, DamagedFilesAreSetAsideOnTheNextWriteNeverOverwritten) {
  fs::create_directory(file.parent_path());
  // Nesting deeper than the copy and the write can recurse through counts as damaged.
  const std::string tooDeep = "{\"hostNames\": " + std::string(300'000, '[') + std::string(300'000, ']') + "}";
  for (const std::string& damaged : {std::string("{\"autoSwitchBoth\": fal"), std::string("[1, 2]"), tooDeep}) {
    writeFile(file, damaged);
    JsonFileUserDefaults defaults(file);
    EXPECT_FALSE(defaults.contains("autoSwitchBoth"));
    defaults.remove("autoSwitchBoth");
    EXPECT_EQ(readFile(file), damaged) << "a removal wrote over the file";
    defaults.set("hiddenHosts", json::array({1}));
    EXPECT_EQ(readFile(setAside), damaged);
    EXPECT_EQ(*defaults.object("hiddenHosts"), json::array({1}));
  }
}

TEST_F(JsonFileUserDefaultsTest, WhatCannotBeReadIsNeitherSetAsideNorOverwritten) {
  // EACCES cannot be produced as root, which the tests run as; a directory fails the same read.
  fs::create_directories(file);
  JsonFileUserDefaults defaults(file);
  defaults.set("destinationHost", 2);
  EXPECT_TRUE(fs::is_directory(file));
  EXPECT_FALSE(fs::exists(setAside));
}

TEST(Settings, StoredValuesOfTheWrongTypeOrRangeReadAsTheDefault) {
  InMemoryUserDefaults defaults;
  EXPECT_TRUE(Settings::autoSwitchBoth(defaults));
  EXPECT_TRUE(Settings::switchAwayWhenLocked(defaults));
  EXPECT_EQ(Settings::destinationHost(defaults), std::nullopt);
  defaults.set("autoSwitchBoth", false);
  defaults.set("switchAwayWhenLocked", "no");
  EXPECT_FALSE(Settings::autoSwitchBoth(defaults));
  EXPECT_TRUE(Settings::switchAwayWhenLocked(defaults));
  for (const auto& stored : {json(4), json(0), json("2"), json(2.5)}) {
    defaults.set("destinationHost", stored);
    EXPECT_EQ(Settings::destinationHost(defaults), std::nullopt) << stored;
  }
  defaults.set("destinationHost", 3);
  EXPECT_EQ(Settings::destinationHost(defaults), 3);
}

TEST(Settings, HiddenHostsAndNamesAreCleanedOnReadAndWrite) {
  InMemoryUserDefaults defaults;
  defaults.set("hiddenHosts", json::array({0, 2, 5, "3", 1.5}));
  EXPECT_EQ(Settings::hiddenHosts(defaults), (std::set<int>{2}));
  Settings::setHost(3, true, defaults);
  Settings::setHost(2, false, defaults);
  EXPECT_EQ(*defaults.object("hiddenHosts"), json::array({3}));

  Settings::setHostName("  Studio  ", 2, defaults);
  EXPECT_EQ(Settings::hostName(2, defaults), "Studio");
  Settings::setHostName("   ", 2, defaults);
  EXPECT_EQ(*defaults.object("hostNames"), json::object());
  // A dictionary that is not all strings reads as nothing.
  defaults.set("hostNames", json{{"1", "Desk"}, {"2", 7}});
  EXPECT_EQ(Settings::hostName(1, defaults), std::nullopt);
  // Devices are known by their unit id, or by the name they report when they have none.
  Settings::setDeviceName("Office keyboard", "", "MX Keys", defaults);
  Settings::setDeviceName("Mine", "AA:BB:CC:DD", "MX Keys", defaults);
  EXPECT_EQ(Settings::deviceName(std::nullopt, "MX Keys", defaults), "Office keyboard");
  EXPECT_EQ(Settings::deviceName("AA:BB:CC:DD", "Other", defaults), "Mine");
}

TEST(Settings, NotificationMigrationIsDueOnlyOnce) {
  InMemoryUserDefaults defaults;
  EXPECT_FALSE(Settings::shouldMigrateLegacyNotifications(bundle, defaults));
  for (const auto& [stored, due] : std::vector<std::pair<json, bool>>{{false, false}, {"yes", false}, {1, true}}) {
    defaults.set("notificationsEnabled", stored);
    EXPECT_EQ(Settings::shouldMigrateLegacyNotifications(bundle, defaults), due) << stored;
  }
  defaults.set("dev.flitbar.flitbar.notifications-enabled", false);
  EXPECT_FALSE(Settings::shouldMigrateLegacyNotifications(bundle, defaults));
}

Values afterImport(const std::optional<Values>& earlier, const Values& current) {
  const InMemoryUserDefaults source(earlier.value_or(Values{}));
  InMemoryUserDefaults destination(current);
  LegacyInstallImporter::importSettings(earlier ? &source : nullptr, destination, bundle, quiet);
  return destination.values();
}

TEST(LegacyInstallImporter, CopiesEarlierSettingsOnceAndNeverOverSettingsOfThisSystem) {
  const Values earlier{{"autoSwitchBoth", false},
                       {"hiddenHosts", json::array({3})},
                       {"unrelated", 1},
                       {"dev.corvane.corvane.notifications-enabled", true}};
  const Values marker{{"importedCorvaneSettings", true}};
  EXPECT_EQ(afterImport(earlier, {}), (Values{{"autoSwitchBoth", false},
                                              {"hiddenHosts", json::array({3})},
                                              {bundle + ".notifications-enabled", true},
                                              *marker.begin()}));
  // A second start does nothing, even after the user cleared what was imported.
  EXPECT_EQ(afterImport(earlier, marker), marker);
  const Values mine{{"hostNames", json{{"1", "Mine"}}}};
  EXPECT_EQ(afterImport(earlier, mine), (Values{*mine.begin(), *marker.begin()}));
  EXPECT_EQ(afterImport(std::nullopt, {}), marker);
}

TEST(LegacyInstallImporter, FilesAreFoundUnderTheUsersHome) {
  std::map<std::string, std::optional<std::string>> saved;
  for (const auto* name : {"HOME", "XDG_CONFIG_HOME", "FLITBAR_CONFIG_PATH"})
    saved[name] = std::getenv(name) ? std::optional<std::string>(std::getenv(name)) : std::nullopt;
  TemporaryDirectory home;
  ::setenv("HOME", home.path().c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
  ::unsetenv("FLITBAR_CONFIG_PATH");
  fs::create_directories(home / ".config");
  writeFile(home / ".config/dev.corvane.corvane.json", R"({"destinationHost": 2})");

  InMemoryUserDefaults standard;
  LegacyInstallImporter::importIfNeeded(standard, bundle, quiet);
  EXPECT_EQ(standard.integer("destinationHost"), 2);
  EXPECT_EQ(ConfigStore::defaultPath(), (home / ".config/flitbar/bindings.json").string());
  EXPECT_EQ(JsonFileUserDefaults::forDomain(bundle)->file(), home / ".config/dev.flitbar.flitbar.json");

  for (const auto& [name, value] : saved) value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
}

}  // namespace
}  // namespace flitbar
