#include "config/ConfigStore.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>

namespace flitbar {
namespace {

namespace fs = std::filesystem;
using testing::modeOf;
using testing::readFile;
using testing::TemporaryDirectory;
using testing::writeFile;

// What a load reports: each issue as "kind: description", or how many bindings it accepted.
std::string said(const ConfigLoad& load) {
  if (load.issues.empty()) return std::to_string(load.bindings.size()) + " accepted";
  std::string text;
  for (const auto& issue : load.issues)
    text += std::string(text.empty() ? "" : "; ") + std::string(ConfigIssue::kindName(issue.kind)) + ": " +
            issue.description();
  return text;
}

std::string parsed(const std::string& entries) {
  return said(ConfigStore::parse(R"({"bindings": [)" + entries + "]}"));
}

TEST(ConfigStoreParse, EachEntryIsJudgedByTheFirstRuleItBreaks) {
  const std::string device = "invalidDevice: binding 1: device must be an integer from 1 through 6";
  const std::string control = "invalidControl: binding 1: cid must be an integer from 1 through 65535";
  const std::string host = "invalidHost: binding 1: switchToHost must be 1, 2, or 3";
  const std::string conflict = "actionConflict: binding 1: specify exactly one of switchToHost or command";
  const std::string command = "invalidEntry: binding 1: command must be a non-empty string without NUL bytes";
  const std::string name = "invalidEntry: binding 1: name must be a non-empty string";
  const std::string unitId = "invalidEntry: binding 1: unitId must contain four hexadecimal bytes, such as AA:BB:CC:DD";
  const std::vector<std::pair<std::string, std::string>> cases{
      {R"(42)", "invalidEntry: binding 1: entry must be an object"},
      {R"({"device": 1, "cid": 1, "switchToHost": 1})", "1 accepted"},
      {R"({"device": 6.0, "cid": 65535, "switchToHost": 3e0})", "1 accepted"},
      {R"({"device": 0, "cid": 1, "switchToHost": 1})", device},
      {R"({"device": 7, "cid": 1, "switchToHost": 1})", device},
      {R"({"device": 1.5, "cid": 1, "switchToHost": 1})", device},
      {R"({"device": true, "cid": 1, "switchToHost": 1})", device},
      {R"({"device": 9, "cid": 0})", device},
      {R"({"device": 1, "switchToHost": 1})", control},
      {R"({"device": 1, "cid": 0, "switchToHost": 1})", control},
      {R"({"device": 1, "cid": 65536, "switchToHost": 1})", control},
      {R"({"device": 1, "cid": 18446744073709551615, "switchToHost": 1})", control},
      {R"({"device": 1, "cid": 1, "switchToHost": 0})", host},
      {R"({"device": 1, "cid": 1, "switchToHost": 4})", host},
      {R"({"device": 1, "cid": 1, "switchToHost": "2"})", host},
      {R"({"device": 1, "cid": 1, "switchToHost": 2, "command": "true"})", conflict},
      {R"({"device": 1, "cid": 1, "name": "x"})", conflict},
      {R"({"device": 1, "cid": 1, "switchToHost": 2, "command": ""})", command},
      {R"({"device": 1, "cid": 1, "command": "echo \u0000 hi"})", command},
      {R"({"device": 1, "cid": 1, "switchToHost": 1, "name": " \n"})", name},
      {R"({"device": 1, "cid": 1, "command": "x", "name": " ", "unitId": "nope"})", unitId},
      {R"({"device": 1, "cid": 1, "switchToHost": 1, "unitId": "AA:BB:CC:DD:EE"})", unitId},
      {R"({"device": 1, "cid": 1, "switchToHost": 1, "unitId": "+1:BB:CC:DD"})", unitId},
      // Nested values are walked over, not mistaken for fields.
      {R"({"extra": {"device": 9, "command": ""}, "device": 3, "cid": 4, "switchToHost": 2, "more": [[{"name": ""}]]})",
       "1 accepted"},
      {R"({"device": 1, "cid": 196, "switchToHost": 2}, {"device": 1, "cid": 196, "command": "true"})",
       "duplicateMapping: binding 2: device 1, cid 196 is already mapped"},
      {R"({"device": 1, "cid": 196, "switchToHost": 2, "unitId": "aa:bb:cc:dd"},
          {"device": 3, "cid": 196, "switchToHost": 1, "unitId": "AA:BB:CC:DD"},
          {"device": 1, "cid": 196, "switchToHost": 3}, {"device": 1, "cid": 197, "switchToHost": 3, "unitId": "AA:BB:CC:DD"})",
       "duplicateMapping: binding 2: unitId AA:BB:CC:DD, cid 196 is already mapped"},
  };
  for (const auto& [entry, expected] : cases) EXPECT_EQ(parsed(entry), expected) << entry;
}

TEST(ConfigStoreParse, ValidEntriesKeepTheirTextAsWrittenAndBadOnesNeverHideThem) {
  // Repeated keys keep their last value.
  const auto load = ConfigStore::parse(R"({"bindings": [], "bindings": [
    {"device": 1, "cid": 196, "switchToHost": 2, "extra": [1, 2]}, "text", null, [], {},
    {"device": 9, "device": 2.0, "cid": 83, "command": "  say hi\n", "name": "x", "name": " Back ",
     "unitId": " aa:bb:0c:dd "}]})");
  EXPECT_EQ(load.bindings, (std::vector<Binding>{{1, 196, std::nullopt, std::nullopt, 2, std::nullopt},
                                                 {2, 83, "AA:BB:0C:DD", " Back ", std::nullopt, "  say hi\n"}}));
  // A binding is shown by its name, else by its control's name, else by its number.
  EXPECT_EQ(load.bindings[1].displayName({}), " Back ");
  EXPECT_EQ(load.bindings[0].displayName({{196, "top button"}}), "device 1, top button");
  EXPECT_EQ(load.bindings[0].displayName({}), "device 1, control 196");
  std::vector<std::int64_t> entries;
  for (const auto& issue : load.issues) entries.push_back(*issue.entry);
  EXPECT_EQ(entries, (std::vector<std::int64_t>{1, 2, 3, 4}));
}

TEST(ConfigStoreParse, DocumentProblemsDropEverything) {
  const std::string shape = "invalidDocument: top level must be an object containing a bindings array";
  for (const std::string document : {"[]", R"({"bindings": {}})", R"({"x": {"bindings": []}})",
                                     R"({"bindings": [{"device": 1, "cid": 1, "switchToHost": 1}], "bindings": 3})"})
    EXPECT_EQ(said(ConfigStore::parse(document)), shape) << document;
  for (const std::string& document :
       std::vector<std::string>{"", R"({"bindings": [],})", std::string("{\"bindings\": [\0]}", 16),
                                "{\"bindings\": [], \"x\": \"\xff\xfe\"}", "// comment\n{\"bindings\": []}", "[1e400]",
                                R"({"bindings": [{"device": 1, "cid": 1, "switchToHost": 1}], "x": })"}) {
    const auto text = said(ConfigStore::parse(document));
    EXPECT_TRUE(text.starts_with("invalidDocument: invalid JSON: ") && text.size() > 32) << text;
  }
  std::string document = R"({"bindings": [{"device": 1, "cid": 5, "switchToHost": 1}]})";
  document.resize(ConfigStore::maximumBytes, ' ');
  EXPECT_EQ(said(ConfigStore::parse(document)), "1 accepted");
  EXPECT_EQ(said(ConfigStore::parse(document + " ")), "invalidDocument: configuration exceeds the 1 MiB limit");
  // Deep nesting inside the limit is an ordinary, if useless, entry.
  const std::size_t depth = ConfigStore::maximumBytes / 2 - 20;
  EXPECT_EQ(parsed(std::string(depth, '[') + std::string(depth, ']')),
            "invalidEntry: binding 1: entry must be an object");
}

class ConfigStoreFile : public ::testing::Test {
 protected:
  TemporaryDirectory directory;
  ConfigStore store{(directory / "bindings.json").string()};
};

TEST_F(ConfigStoreFile, AMissingFileIsAnIssueOrIsSeededPrivately) {
  store.path = (directory / "a" / "b" / "bindings.json").string();
  EXPECT_EQ(said(store.load(false)), "missing: configuration is missing at " + store.path);
  EXPECT_FALSE(fs::exists(directory / "a"));

  const auto old = ::umask(0);
  EXPECT_EQ(store.load(true), (ConfigLoad{{}, {}, true}));
  ::umask(old);
  EXPECT_EQ(readFile(store.path), ConfigStore::seedData());
  EXPECT_EQ(modeOf(store.path), 0600u);
  EXPECT_EQ(modeOf(directory / "a"), 0700u);
  EXPECT_EQ(modeOf(directory / "a" / "b"), 0700u);
  EXPECT_EQ(store.load(true), ConfigLoad{});
  // A second first start that lost the race reads the winner's file instead of replacing it.
  EXPECT_FALSE(ConfigStore::writePrivateData("theirs", store.path, false));
  EXPECT_EQ(readFile(store.path), ConfigStore::seedData());
  EXPECT_EQ(std::distance(fs::directory_iterator(directory / "a" / "b"), {}), 1) << "a temporary file outlived";
}

TEST_F(ConfigStoreFile, WhatCannotBeReadIsAnIssueAndNeverBlocks) {
  const auto unreadable = [&](int code) {
    return "configuration at " + store.path + " is unreadable: " + std::strerror(code);
  };
  const std::vector<std::pair<std::function<void()>, std::string>> cases{
      {[&] { ASSERT_EQ(::mkfifo(store.path.c_str(), 0600), 0); }, unreadable(EINVAL)},
      {[&] { writeFile(store.path, std::string(ConfigStore::maximumBytes + 1, ' ')); }, unreadable(EFBIG)},
      {[&] {
         writeFile(directory / "blocker", "");
         store.path = (directory / "blocker" / "bindings.json").string();
       },
       "could not create starter configuration at " + (directory / "blocker" / "bindings.json").string() + ": " +
           std::strerror(ENOTDIR)},
  };
  for (const auto& [prepare, message] : cases) {
    prepare();
    EXPECT_EQ(said(store.load(true)), "unreadable: " + message);
    std::error_code ignored;
    fs::remove_all(store.path, ignored);
  }
}

// Shell commands run with the user's rights; host bindings stay whoever can change the file.
TEST_F(ConfigStoreFile, CommandBindingsNeedAFileOnlyTheUserCanChange) {
  const auto file = directory / "flitbar" / "bindings.json";
  fs::create_directory(file.parent_path());
  writeFile(file, R"({"bindings": [{"device": 1, "cid": 196, "command": "true"},
                                   {"device": 1, "cid": 197, "switchToHost": 2}]})");
  store.path = file.string();
  const struct {
    unsigned fileMode;
    unsigned folderMode;
    uid_t owner;
    std::string reason;  // empty when the command binding loads
  } cases[] = {
      {0600, 0700, ::geteuid(), ""},
      {0666, 0700, ::geteuid(), file.string() + " is writable by other users"},
      {0600, 0770, ::geteuid(), file.parent_path().string() + " is writable by other users"},
      {0600, 0700, ::geteuid() + 4242, file.string() + " is owned by another user"},
  };
  for (const auto& row : cases) {
    fs::permissions(file, fs::perms(row.fileMode));
    fs::permissions(file.parent_path(), fs::perms(row.folderMode));
    ASSERT_EQ(::chown(file.c_str(), row.owner, static_cast<gid_t>(-1)), 0);
    const ConfigLoad load = store.load(false);
    EXPECT_EQ(load.bindings.size(), row.reason.empty() ? 2u : 1u) << row.reason;
    EXPECT_EQ(load.bindings.back().switchToHost, 2);
    EXPECT_EQ(said(load),
              row.reason.empty() ? "2 accepted" : "unreadable: command bindings are ignored: " + row.reason);
  }
}

}  // namespace
}  // namespace flitbar
