// Files that someone else could have changed, or that cannot be read or parsed safely.
#include "config/ConfigStore.h"
#include "config/JsonFileUserDefaults.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace flitbar {
namespace {

namespace fs = std::filesystem;
using testing::TemporaryDirectory;
using testing::writeFile;

TEST(UntrustedFiles, CommandBindingsNeedAFileOnlyTheUserCanChange) {
  struct Case {
    const char* name;
    unsigned fileMode;
    unsigned folderMode;
    bool ownedByAnother;
    const char* reason;  // absent when the command binding loads
  };
  const Case cases[] = {
      {"private", 0600, 0700, false, nullptr},
      {"file writable by others", 0666, 0700, false, "/bindings.json is writable by other users"},
      {"folder writable by its group", 0600, 0770, false, "/flitbar is writable by other users"},
      {"file of another user", 0600, 0700, true, "/bindings.json is owned by another user"},
  };
  for (const Case& row : cases) {
    TemporaryDirectory directory;
    const auto file = directory / "flitbar" / "bindings.json";
    fs::create_directory(file.parent_path());
    writeFile(file, R"({"bindings": [{"device": 1, "cid": 196, "command": "true"},
                                     {"device": 1, "cid": 197, "switchToHost": 2}]})");
    fs::permissions(file, fs::perms(row.fileMode));
    fs::permissions(file.parent_path(), fs::perms(row.folderMode));
    if (row.ownedByAnother) {
      ASSERT_EQ(::chown(file.c_str(), ::geteuid() + 4242, static_cast<gid_t>(-1)), 0);
    }

    const ConfigLoad load = ConfigStore{file.string()}.load(false);
    ASSERT_FALSE(load.bindings.empty()) << row.name;
    EXPECT_EQ(load.bindings.back().switchToHost, 2) << row.name;
    if (!row.reason) {
      EXPECT_EQ(load.bindings.size(), 2u) << row.name;
      EXPECT_TRUE(load.issues.empty()) << row.name;
      continue;
    }
    EXPECT_EQ(load.bindings.size(), 1u) << row.name;
    ASSERT_EQ(load.issues.size(), 1u) << row.name;
    EXPECT_EQ(load.issues[0].kind, ConfigIssue::Kind::unreadable);
    EXPECT_TRUE(load.issues[0].message.starts_with("command bindings are ignored: " + directory.path().string()));
    EXPECT_TRUE(load.issues[0].message.ends_with(row.reason)) << load.issues[0].message;
  }
}

TEST(UntrustedFiles, PreferencesNestedTooDeeplyAreSetAsideWithoutExhaustingTheStack) {
  TemporaryDirectory directory;
  const auto file = directory / "d.json";
  writeFile(file, "{\"hostNames\": " + std::string(300'000, '[') + std::string(300'000, ']') + "}");
  JsonFileUserDefaults defaults(file);
  EXPECT_EQ(defaults.object("hostNames"), std::nullopt);
  defaults.set("destinationHost", 2);
  EXPECT_EQ(defaults.integer("destinationHost"), 2);
  EXPECT_TRUE(fs::exists(directory / "d.json.corrupt"));
}

TEST(UntrustedFiles, PreferencesThatCannotBeReadAreNeitherSetAsideNorOverwritten) {
  TemporaryDirectory directory;
  const auto file = directory / "d.json";
  fs::create_directory(file);
  JsonFileUserDefaults defaults(file);
  defaults.set("destinationHost", 2);
  EXPECT_TRUE(fs::is_directory(file));
  EXPECT_FALSE(fs::exists(directory / "d.json.corrupt"));
}

}  // namespace
}  // namespace flitbar
