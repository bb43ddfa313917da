#include "config/JsonFileUserDefaults.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

using nlohmann::json;
using testing::modeOf;
using testing::readFile;
using testing::TemporaryDirectory;
using testing::writeFile;

TEST(JsonFileUserDefaults, ValuesKeepTheirTypesAcrossInstances) {
  TemporaryDirectory directory;
  const auto file = directory / "prefs" / "dev.example.app.json";
  JsonFileUserDefaults writer(file);
  EXPECT_FALSE(writer.contains("hostNames"));
  writer.set("autoSwitchBoth", false);
  writer.set("destinationHost", 2);
  writer.set("hostNames", json{{"1", "Desk"}});
  writer.set("deviceName", "bad \xff byte");
  EXPECT_EQ(modeOf(file), 0600u);
  EXPECT_EQ(modeOf(file.parent_path()), 0700u);

  const JsonFileUserDefaults reader(file);
  EXPECT_EQ(reader.boolean("autoSwitchBoth"), false);
  EXPECT_EQ(reader.integer("destinationHost"), 2);
  EXPECT_EQ(reader.boolean("destinationHost"), std::nullopt);
  EXPECT_EQ(reader.string("autoSwitchBoth"), std::nullopt);
  EXPECT_EQ(*reader.object("hostNames"), (json{{"1", "Desk"}}));
  EXPECT_EQ(reader.string("deviceName"), "bad \xEF\xBF\xBD byte");

  writer.remove("destinationHost");
  EXPECT_FALSE(reader.contains("destinationHost"));
  EXPECT_TRUE(reader.contains("autoSwitchBoth"));
}

TEST(JsonFileUserDefaults, ADamagedFileIsSetAsideNotOverwritten) {
  TemporaryDirectory directory;
  const auto file = directory / "d.json";
  writeFile(file, "{\"autoSwitchBoth\": fal");
  JsonFileUserDefaults defaults(file);
  EXPECT_FALSE(defaults.contains("autoSwitchBoth"));
  defaults.remove("autoSwitchBoth");
  EXPECT_EQ(readFile(file), "{\"autoSwitchBoth\": fal");

  defaults.set("hiddenHosts", json::array({1}));
  EXPECT_EQ(readFile(directory / "d.json.corrupt"), "{\"autoSwitchBoth\": fal");
  EXPECT_EQ(*defaults.object("hiddenHosts"), json::array({1}));

  writeFile(file, "[1, 2]");
  EXPECT_FALSE(defaults.contains("hiddenHosts"));
}

TEST(JsonFileUserDefaults, DomainsLiveUnderTheConfigHome) {
  const char* saved = std::getenv("XDG_CONFIG_HOME");
  const std::optional<std::string> previous = saved ? std::optional<std::string>(saved) : std::nullopt;
  ::setenv("XDG_CONFIG_HOME", "/tmp/somewhere", 1);
  EXPECT_EQ(JsonFileUserDefaults::forDomain("dev.flitbar.flitbar")->file(), "/tmp/somewhere/dev.flitbar.flitbar.json");
  for (const auto* domain : {"", "..", "a/b", ".hidden"}) EXPECT_FALSE(JsonFileUserDefaults::forDomain(domain)) << domain;
  if (previous) {
    ::setenv("XDG_CONFIG_HOME", previous->c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
}

}  // namespace
}  // namespace flitbar
