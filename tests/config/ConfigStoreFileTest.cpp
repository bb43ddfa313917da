#include "config/ConfigStore.h"
#include "config/ConfigStoreError.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <latch>
#include <thread>

namespace flitbar {
namespace {

namespace fs = std::filesystem;
using Kind = ConfigIssue::Kind;
using testing::modeOf;
using testing::readFile;
using testing::TemporaryDirectory;
using testing::writeFile;

class ConfigStoreFile : public ::testing::Test {
 protected:
  // What exporting gives: the data, or the error's description.
  std::string exported() const {
    try {
      return store.exportData();
    } catch (const ConfigStoreError& error) {
      return error.description();
    }
  }

  TemporaryDirectory directory;
  ConfigStore store{(directory / "bindings.json").string()};
};

TEST_F(ConfigStoreFile, AMissingFileIsAnIssueOrIsSeededPrivately) {
  store.path = (directory / "a" / "b" / "bindings.json").string();
  EXPECT_EQ(store.load(false),
            (ConfigLoad{{}, {{Kind::missing, std::nullopt, "configuration is missing at " + store.path}}, false}));
  EXPECT_FALSE(fs::exists(directory / "a"));
  EXPECT_EQ(exported(), "No configuration exists at " + store.path + ".");

  const auto old = ::umask(0);
  EXPECT_EQ(store.load(true), (ConfigLoad{{}, {}, true}));
  ::umask(old);
  EXPECT_EQ(readFile(store.path), ConfigStore::seedData());
  EXPECT_EQ(modeOf(store.path), 0600u);
  EXPECT_EQ(modeOf(directory / "a"), 0700u);
  EXPECT_EQ(modeOf(directory / "a" / "b"), 0700u);
  EXPECT_EQ(store.load(true), ConfigLoad{});
  EXPECT_EQ(std::distance(fs::directory_iterator(directory / "a" / "b"), {}), 1) << "a temporary file outlived";
}

TEST_F(ConfigStoreFile, WhatCannotBeReadIsAnIssueAndNeverBlocks) {
  const auto unreadable = [&](int code) {
    return "configuration at " + store.path + " is unreadable: " + std::strerror(code);
  };
  const std::vector<std::pair<std::function<void()>, std::string>> cases{
      {[&] { ASSERT_EQ(::mkfifo(store.path.c_str(), 0600), 0); }, unreadable(EINVAL)},
      {[&] { fs::create_directory(store.path); }, unreadable(EINVAL)},
      {[&] { fs::create_symlink("/dev/zero", store.path); }, unreadable(EINVAL)},
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
    EXPECT_EQ(store.load(true).issues, (std::vector<ConfigIssue>{{Kind::unreadable, std::nullopt, message}}));
    std::error_code ignored;
    fs::remove_all(store.path, ignored);
  }
}

TEST_F(ConfigStoreFile, ExportKeepsEveryByteUpToTheLimitAndFollowsSymlinks) {
  std::string document = R"({"bindings": []})";
  document.resize(ConfigStore::maximumBytes, '\n');
  writeFile(directory / "real.json", document);
  fs::create_symlink(directory / "real.json", store.path);
  EXPECT_EQ(store.load(false), ConfigLoad{});
  EXPECT_EQ(exported(), document);
  writeFile(directory / "real.json", document + "\n");
  EXPECT_EQ(exported(), std::string("Couldn\u2019t read or write the configuration: ") + std::strerror(EFBIG));
}

TEST_F(ConfigStoreFile, PrivateWritesReplaceOnlyWhenAskedAndSeedingHasOneWinner) {
  const auto target = directory / "out.json";
  writeFile(target, "mine");
  EXPECT_FALSE(ConfigStore::writePrivateData("theirs", target, false));
  EXPECT_EQ(readFile(target), "mine");
  EXPECT_TRUE(ConfigStore::writePrivateData("theirs", target, true));
  EXPECT_EQ(readFile(target), "theirs");
  EXPECT_THROW(ConfigStore::writePrivateData("x", target / "inside.json", true), std::system_error);

  for (int round = 0; round < 20; ++round) {
    store.path = (directory / std::to_string(round) / "bindings.json").string();
    constexpr int writers = 4;
    std::latch start(writers);
    std::vector<ConfigLoad> loads(writers);
    std::vector<std::thread> threads;
    for (int index = 0; index < writers; ++index)
      threads.emplace_back([&, index] {
        start.arrive_and_wait();
        loads[index] = store.load(true);
      });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(std::count(loads.begin(), loads.end(), ConfigLoad{{}, {}, true}), 1);
    EXPECT_EQ(std::count(loads.begin(), loads.end(), ConfigLoad{}), writers - 1);
    EXPECT_EQ(readFile(store.path), ConfigStore::seedData());
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
    std::vector<ConfigIssue> issues;
    if (!row.reason.empty())
      issues.push_back({Kind::unreadable, std::nullopt, "command bindings are ignored: " + row.reason});
    EXPECT_EQ(load.issues, issues);
  }
}

}  // namespace
}  // namespace flitbar
