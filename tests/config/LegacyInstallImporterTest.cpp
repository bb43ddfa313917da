#include "config/InMemoryUserDefaults.h"
#include "config/LegacyInstallImporter.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

using nlohmann::json;
using testing::modeOf;
using testing::readFile;
using testing::TemporaryDirectory;
using testing::writeFile;

const std::string bundle = "dev.flitbar.flitbar";

struct Recorder {
  std::vector<std::string> lines;
  LegacyInstallImporter::Log log() {
    return [this](const std::string& line) { lines.push_back(line); };
  }
};

TEST(LegacyInstallImporter, CopiesEarlierSettingsOnceInKeyOrder) {
  InMemoryUserDefaults source({{"autoSwitchBoth", false},
                               {"hiddenHosts", json::array({3})},
                               {"unrelated", 1},
                               {"dev.corvane.corvane.notifications-enabled", true}});
  InMemoryUserDefaults destination;
  Recorder recorder;
  LegacyInstallImporter::importSettings(&source, destination, bundle, recorder.log());
  EXPECT_EQ(recorder.lines,
            (std::vector<std::string>{"imported hiddenHosts from the previous Corvane install",
                                      "imported autoSwitchBoth from the previous Corvane install",
                                      "imported notifications-enabled from the previous Corvane install"}));
  EXPECT_EQ(destination.values(), (std::map<std::string, json>{{"importedCorvaneSettings", true},
                                                               {"autoSwitchBoth", false},
                                                               {"hiddenHosts", json::array({3})},
                                                               {bundle + ".notifications-enabled", true}}));

  // A second start does nothing, even after the user cleared what was imported.
  destination.remove("hiddenHosts");
  destination.remove("autoSwitchBoth");
  LegacyInstallImporter::importSettings(&source, destination, bundle, recorder.log());
  EXPECT_EQ(recorder.lines.size(), 3u);
  EXPECT_FALSE(destination.contains("hiddenHosts"));
}

TEST(LegacyInstallImporter, NeverOverridesSettingsOfThisSystem) {
  InMemoryUserDefaults source({{"hiddenHosts", json::array({3})}, {"hostNames", json{{"1", "Old"}}}});
  InMemoryUserDefaults destination({{"hostNames", json{{"1", "Mine"}}}});
  Recorder recorder;
  LegacyInstallImporter::importSettings(&source, destination, bundle, recorder.log());
  EXPECT_TRUE(recorder.lines.empty());
  EXPECT_EQ(*destination.object("hostNames"), (json{{"1", "Mine"}}));
  EXPECT_FALSE(destination.contains("hiddenHosts"));
  EXPECT_EQ(destination.boolean("importedCorvaneSettings"), true);

  // Nothing to import still sets the marker.
  InMemoryUserDefaults fresh;
  LegacyInstallImporter::importSettings(nullptr, fresh, bundle, recorder.log());
  EXPECT_TRUE(fresh.contains("importedCorvaneSettings"));
  InMemoryUserDefaults empty;
  InMemoryUserDefaults another;
  LegacyInstallImporter::importSettings(&empty, another, bundle, recorder.log());
  EXPECT_EQ(another.values().size(), 1u);
  EXPECT_TRUE(recorder.lines.empty());
}

TEST(LegacyInstallImporter, CopiesTheBindingsFilePrivatelyAndNeverOverAnother) {
  TemporaryDirectory directory;
  const auto legacy = directory / "corvane" / "bindings.json";
  const auto target = directory / "flitbar" / "bindings.json";
  std::filesystem::create_directories(legacy.parent_path());
  writeFile(legacy, "{\"bindings\": [\"not validated\"]}\n");
  Recorder recorder;

  LegacyInstallImporter::importBindingsFile(legacy, target, {{"FLITBAR_CONFIG_PATH", "/elsewhere.json"}},
                                            recorder.log());
  EXPECT_FALSE(std::filesystem::exists(target));

  LegacyInstallImporter::importBindingsFile(legacy, target, {}, recorder.log());
  EXPECT_EQ(readFile(target), readFile(legacy));
  EXPECT_EQ(modeOf(target), 0600u);
  EXPECT_EQ(modeOf(target.parent_path()), 0700u);
  EXPECT_EQ(recorder.lines, (std::vector<std::string>{"imported bindings.json from the previous Corvane install"}));

  writeFile(target, "mine");
  LegacyInstallImporter::importBindingsFile(legacy, target, {}, recorder.log());
  EXPECT_EQ(readFile(target), "mine");
  EXPECT_EQ(recorder.lines.size(), 1u);
}

TEST(LegacyInstallImporter, ReportsAFailedCopy) {
  TemporaryDirectory directory;
  const auto legacy = directory / "corvane.json";
  std::filesystem::create_directory(legacy);  // not a regular file
  Recorder recorder;
  LegacyInstallImporter::importBindingsFile(legacy, directory / "new.json", {}, recorder.log());
  EXPECT_EQ(
      recorder.lines,
      (std::vector<std::string>{"could not import bindings.json from the previous Corvane install: Invalid argument"}));
  EXPECT_FALSE(std::filesystem::exists(directory / "new.json"));
}

// Points HOME and XDG_CONFIG_HOME at a temporary folder for one test.
class ScopedHome {
 public:
  explicit ScopedHome(const std::filesystem::path& home) {
    for (const auto* name : {"HOME", "XDG_CONFIG_HOME", "FLITBAR_CONFIG_PATH"})
      if (const char* value = std::getenv(name)) saved_[name] = value;
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
    ::unsetenv("FLITBAR_CONFIG_PATH");
  }
  ~ScopedHome() {
    for (const auto* name : {"HOME", "XDG_CONFIG_HOME", "FLITBAR_CONFIG_PATH"}) ::unsetenv(name);
    for (const auto& [name, value] : saved_) ::setenv(name.c_str(), value.c_str(), 1);
  }

 private:
  std::map<std::string, std::string> saved_;
};

TEST(LegacyInstallImporter, FindsTheEarlierInstallInTheUsersHome) {
  TemporaryDirectory home;
  const ScopedHome scoped(home.path());
  std::filesystem::create_directories(home / ".config/corvane");
  writeFile(home / ".config/dev.corvane.corvane.json", R"({"destinationHost": 2})");
  writeFile(home / ".config/corvane/bindings.json", R"({"bindings": []})");

  InMemoryUserDefaults standard;
  Recorder recorder;
  LegacyInstallImporter::importIfNeeded(standard, bundle, recorder.log());
  EXPECT_EQ(standard.integer("destinationHost"), 2);
  EXPECT_EQ(readFile(home / ".config/flitbar/bindings.json"), R"({"bindings": []})");
  EXPECT_EQ(recorder.lines.size(), 2u);
}

}  // namespace
}  // namespace flitbar
