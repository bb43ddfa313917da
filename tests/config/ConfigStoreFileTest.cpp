#include "config/ConfigStore.h"
#include "config/ConfigStoreError.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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
  std::string unreadable(int code) const {
    return "configuration at " + store.path + " is unreadable: " + std::strerror(code);
  }

  TemporaryDirectory directory;
  ConfigStore store{(directory / "bindings.json").string()};
};

TEST_F(ConfigStoreFile, MissingFileIsAnIssueOrIsSeededPrivately) {
  store.path = (directory / "a" / "b" / "bindings.json").string();
  EXPECT_EQ(store.load(false),
            (ConfigLoad{{}, {{Kind::missing, std::nullopt, "configuration is missing at " + store.path}}, false}));
  EXPECT_FALSE(fs::exists(directory / "a"));
  try {
    store.exportData();
    ADD_FAILURE() << "a missing file was exported";
  } catch (const ConfigStoreError& error) {
    EXPECT_EQ(error.description(), "No configuration exists at " + store.path + ".");
  }

  const auto old = ::umask(0);
  EXPECT_EQ(store.load(true), (ConfigLoad{{}, {}, true}));
  ::umask(old);
  EXPECT_EQ(readFile(store.path), ConfigStore::seedData());
  EXPECT_EQ(modeOf(store.path), 0600u);
  EXPECT_EQ(modeOf(directory / "a"), 0700u);
  EXPECT_EQ(modeOf(directory / "a" / "b"), 0700u);
  EXPECT_EQ(store.load(true), ConfigLoad{});
  EXPECT_EQ(std::distance(fs::directory_iterator(directory / "a" / "b"), {}), 1);
}

TEST_F(ConfigStoreFile, WhatCannotBeReadIsAnIssueAndNeverBlocks) {
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
  EXPECT_EQ(store.exportData(), document);

  writeFile(directory / "real.json", document + "\n");
  try {
    store.exportData();
    ADD_FAILURE() << "a file over the limit was exported";
  } catch (const ConfigStoreError& error) {
    EXPECT_EQ(error.description(),
              std::string("Couldn\u2019t read or write the configuration: ") + std::strerror(EFBIG));
  }
}

TEST_F(ConfigStoreFile, PrivateWriteReplacesOnlyWhenAsked) {
  const auto target = directory / "out.json";
  writeFile(target, "mine");
  EXPECT_FALSE(ConfigStore::writePrivateData("theirs", target, false));
  EXPECT_EQ(readFile(target), "mine");
  EXPECT_TRUE(ConfigStore::writePrivateData("theirs", target, true));
  EXPECT_EQ(readFile(target), "theirs");
  EXPECT_EQ(modeOf(target), 0600u);
  EXPECT_EQ(std::distance(fs::directory_iterator(directory.path()), {}), 1) << "a temporary file outlived the write";
  EXPECT_THROW(ConfigStore::writePrivateData("x", directory / "out.json" / "inside.json", true), std::system_error);
}

TEST_F(ConfigStoreFile, ConcurrentSeedingHasExactlyOneWinner) {
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

TEST_F(ConfigStoreFile, NearestExistingDirectoryWalksUp) {
  const std::vector<std::pair<fs::path, fs::path>> cases{
      {directory / "x" / "y" / "bindings.json", directory.path()},
      {directory / "blocker" / "bindings.json", directory.path()},
      {directory / "bindings.json", directory.path()},
      {"/bindings.json", "/"},
  };
  writeFile(directory / "blocker", "");
  for (const auto& [file, nearest] : cases)
    EXPECT_EQ(ConfigStore{file.string()}.nearestExistingDirectory(), nearest) << file;
}

TEST(ConfigStorePath, EnvironmentOverridesVerbatim) {
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  ::setenv("FLITBAR_CONFIG_PATH", "~/elsewhere.json", 1);
  EXPECT_EQ(ConfigStore::defaultPath(), "~/elsewhere.json");
  ::unsetenv("FLITBAR_CONFIG_PATH");
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(ConfigStore::defaultPath(), "/home/someone/.config/flitbar/bindings.json");
  ::setenv("HOME", home.c_str(), 1);
}

}  // namespace
}  // namespace flitbar
