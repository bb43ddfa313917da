#include "config/InMemoryUserDefaults.h"
#include "config/Settings.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

using nlohmann::json;

TEST(Settings, StoredValuesOfTheWrongTypeOrRangeReadAsTheDefault) {
  InMemoryUserDefaults defaults;
  EXPECT_TRUE(Settings::autoSwitchBoth(defaults));
  EXPECT_TRUE(Settings::switchAwayWhenLocked(defaults));
  EXPECT_EQ(Settings::destinationHost(defaults), std::nullopt);
  defaults.set("autoSwitchBoth", false);
  defaults.set("switchAwayWhenLocked", "no");
  EXPECT_FALSE(Settings::autoSwitchBoth(defaults));
  EXPECT_TRUE(Settings::switchAwayWhenLocked(defaults));
  for (const auto& stored : {json(4), json(0), json("2"), json(true), json(2.5)}) {
    defaults.set("destinationHost", stored);
    EXPECT_EQ(Settings::destinationHost(defaults), std::nullopt) << stored;
  }
  defaults.set("destinationHost", 3);
  EXPECT_EQ(Settings::destinationHost(defaults), 3);
}

TEST(Settings, HiddenHostsAreCleanedAndWrittenAscending) {
  InMemoryUserDefaults defaults;
  defaults.set("hiddenHosts", json::array({0, 2, 5, 2, "3", true, 1.5}));
  EXPECT_EQ(Settings::hiddenHosts(defaults), (std::set<int>{2}));
  Settings::setHost(3, true, defaults);
  Settings::setHost(1, true, defaults);
  Settings::setHost(2, false, defaults);
  EXPECT_EQ(*defaults.object("hiddenHosts"), json::array({1, 3}));
  defaults.set("hiddenHosts", "1,2");
  EXPECT_TRUE(Settings::hiddenHosts(defaults).empty());
}

TEST(Settings, NamesAreTrimmedAndBlankNamesRemoved) {
  InMemoryUserDefaults defaults;
  Settings::setHostName("  Studio  ", 2, defaults);
  Settings::setHostName("Desk", 1, defaults);
  EXPECT_EQ(Settings::hostName(2, defaults), "Studio");
  Settings::setHostName("   ", 2, defaults);
  EXPECT_EQ(*defaults.object("hostNames"), (json{{"1", "Desk"}}));
  // A dictionary that is not all strings reads as nothing and is replaced on write.
  defaults.set("hostNames", json{{"1", "Desk"}, {"2", 7}});
  EXPECT_EQ(Settings::hostName(1, defaults), std::nullopt);
  Settings::setHostName("Lab", 3, defaults);
  EXPECT_EQ(*defaults.object("hostNames"), (json{{"3", "Lab"}}));

  // Devices are known by their unit id, or by the name they report when they have none.
  Settings::setDeviceName(" Office keyboard ", "", "MX Keys", defaults);
  EXPECT_EQ(*defaults.object("deviceNames"), (json{{"name:MX Keys", "Office keyboard"}}));
  EXPECT_EQ(Settings::deviceName(std::nullopt, "MX Keys", defaults), "Office keyboard");
  EXPECT_EQ(Settings::deviceName("AA:BB:CC:DD", "MX Keys", defaults), std::nullopt);
  Settings::setDeviceName("Mine", "AA:BB:CC:DD", "MX Keys", defaults);
  EXPECT_EQ(Settings::deviceName("AA:BB:CC:DD", "Other", defaults), "Mine");
  Settings::setDeviceName("", std::nullopt, "MX Keys", defaults);
  EXPECT_EQ(*defaults.object("deviceNames"), (json{{"unit:AA:BB:CC:DD", "Mine"}}));
}

TEST(Settings, NotificationMigrationIsDueOnlyOnce) {
  const std::string bundle = "dev.flitbar.flitbar";
  InMemoryUserDefaults defaults;
  EXPECT_FALSE(Settings::shouldMigrateLegacyNotifications(bundle, defaults));
  for (const auto& [stored, due] :
       std::vector<std::pair<json, bool>>{{false, false}, {0, false}, {"yes", false}, {true, true}, {1, true}}) {
    defaults.set("notificationsEnabled", stored);
    EXPECT_EQ(Settings::shouldMigrateLegacyNotifications(bundle, defaults), due) << stored;
  }
  defaults.set("dev.flitbar.flitbar.notifications-enabled", false);
  EXPECT_FALSE(Settings::shouldMigrateLegacyNotifications(bundle, defaults));
}

}  // namespace
}  // namespace flitbar
