#include "config/JsonFileUserDefaults.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::readFile;
using testing::TemporaryDirectory;
using testing::writeFile;

class JsonFileUserDefaultsTest : public ::testing::Test {
 protected:
  TemporaryDirectory directory;
  fs::path file = directory / "prefs" / "dev.example.app.json";
  fs::path setAside = directory / "prefs" / "dev.example.app.json.corrupt";
};

TEST_F(JsonFileUserDefaultsTest, ValuesKeepTheirTypesAcrossInstances) {
  JsonFileUserDefaults writer(file);
  EXPECT_FALSE(writer.contains("hostNames"));
  writer.set("autoSwitchBoth", false);
  writer.set("destinationHost", 2);
  writer.set("hostNames", json{{"1", "Desk"}});
  writer.set("deviceName", "bad \xff byte");

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

TEST_F(JsonFileUserDefaultsTest, DamagedFilesAreSetAsideOnTheNextWriteNeverOverwritten) {
  fs::create_directory(file.parent_path());
  // Nesting deeper than the copy and the write can recurse through counts as damaged.
  const std::string tooDeep = "{\"hostNames\": " + std::string(300'000, '[') + std::string(300'000, ']') + "}";
  for (const std::string& damaged : {std::string("{\"autoSwitchBoth\": fal"), std::string("[1, 2]"), tooDeep}) {
    writeFile(file, damaged);
    JsonFileUserDefaults defaults(file);
    EXPECT_FALSE(defaults.contains("autoSwitchBoth"));
    EXPECT_EQ(defaults.object("hostNames"), std::nullopt);
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

}  // namespace
}  // namespace flitbar
