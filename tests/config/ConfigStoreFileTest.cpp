#include "config/ConfigStore.h"
#include "config/ConfigStoreError.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <latch>
#include <thread>

namespace flitbar {
namespace {

using Kind = ConfigIssue::Kind;
using testing::modeOf;
using testing::readFile;
using testing::TemporaryDirectory;
using testing::writeFile;

std::string errnoText(int code) { return std::strerror(code); }

class ConfigStoreFile : public ::testing::Test {
protected:
  TemporaryDirectory directory;
  ConfigStore store{(directory / "bindings.json").string()};
};

TEST_F(ConfigStoreFile, MissingFileIsAnIssueOrIsSeededPrivately) {
  store.path = (directory / "a" / "b" / "bindings.json").string();
  EXPECT_EQ(store.load(false), (ConfigLoad{{}, {{Kind::missing, std::nullopt, "configuration is missing at " + store.path}}, false}));
  EXPECT_FALSE(std::filesystem::exists(directory / "a"));

  const auto old = ::umask(0);
  const auto seeded = store.load(true);
  ::umask(old);
  EXPECT_EQ(seeded, (ConfigLoad{{}, {}, true}));
  EXPECT_EQ(readFile(store.path), ConfigStore::seedData());
  EXPECT_EQ(modeOf(store.path), 0600u);
  EXPECT_EQ(modeOf(directory / "a"), 0700u);
  EXPECT_EQ(modeOf(directory / "a" / "b"), 0700u);
  EXPECT_EQ(store.load(true), ConfigLoad{});
  // Nothing but the file is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(directory / "a" / "b"), {}), 1);
}

TEST_F(ConfigStoreFile, StarterTextIsByteForByte) {
  const auto& seed = ConfigStore::seedData();
  EXPECT_EQ(seed.substr(0, 16), "{\n  \"_comment\": ");
  EXPECT_NE(seed.find("`Flitbar list` prints device indexes and `Flitbar watch -d N` prints control IDs (quit the "
                      "app first).\",\n  \"_example\": {\n    \"device\": 1,\n    \"cid\": 196,\n    \"name\": \"Mouse "
                      "top button -> everything to host 2\",\n    \"switchToHost\": 2\n  },\n  \"bindings\": []\n}"),
            std::string::npos);
  EXPECT_EQ(seed.back(), '}');
  EXPECT_EQ(seed.size(), 418u);
}

TEST_F(ConfigStoreFile, SeedingFailureIsReported) {
  writeFile(directory / "blocker", "");
  store.path = (directory / "blocker" / "bindings.json").string();
  EXPECT_EQ(store.load(true).issues,
            (std::vector<ConfigIssue>{{Kind::unreadable, std::nullopt,
                                       "could not create starter configuration at " + store.path + ": " +
                                           errnoText(ENOTDIR)}}));
}

TEST_F(ConfigStoreFile, SizeLimitOnDisk) {
  std::string document = R"({"bindings": []})";
  document.resize(ConfigStore::maximumBytes, '\n');
  writeFile(store.path, document);
  EXPECT_EQ(store.load(false), ConfigLoad{});
  EXPECT_EQ(store.exportData(), document);

  writeFile(store.path, document + "\n");
  EXPECT_EQ(store.load(true).issues,
            (std::vector<ConfigIssue>{{Kind::unreadable, std::nullopt,
                                       "configuration at " + store.path + " is unreadable: " + errnoText(EFBIG)}}));
  try {
    store.exportData();
    ADD_FAILURE() << "a file over the limit was exported";
  } catch (const ConfigStoreError& error) {
    EXPECT_EQ(error, ConfigStoreError::unreadable(errnoText(EFBIG)));
    EXPECT_EQ(error.description(), "Couldn\u2019t read or write the configuration: " + errnoText(EFBIG));
  }
}

TEST_F(ConfigStoreFile, NonRegularFilesAreRefusedWithoutBlocking) {
  ASSERT_EQ(::mkfifo(store.path.c_str(), 0600), 0);
  const auto unreadable = "configuration at " + store.path + " is unreadable: " + errnoText(EINVAL);
  EXPECT_EQ(store.load(true).issues, (std::vector<ConfigIssue>{{Kind::unreadable, std::nullopt, unreadable}}));
  std::filesystem::remove(store.path);

  std::filesystem::create_directory(store.path);
  EXPECT_EQ(store.load(true).issues, (std::vector<ConfigIssue>{{Kind::unreadable, std::nullopt, unreadable}}));
  std::filesystem::remove(store.path);

  std::filesystem::create_symlink("/dev/zero", store.path);
  EXPECT_EQ(store.load(true).issues, (std::vector<ConfigIssue>{{Kind::unreadable, std::nullopt, unreadable}}));
}

TEST_F(ConfigStoreFile, SymlinksToRegularFilesAreFollowed) {
  writeFile(directory / "real.json", R"({"bindings": [{"device": 1, "cid": 2, "switchToHost": 3}]})");
  std::filesystem::create_symlink(directory / "real.json", store.path);
  EXPECT_EQ(store.load(true).bindings.size(), 1u);
}

TEST_F(ConfigStoreFile, ExportNamesAMissingFile) {
  try {
    store.exportData();
    ADD_FAILURE() << "a missing file was exported";
  } catch (const ConfigStoreError& error) {
    EXPECT_EQ(error.kind(), ConfigStoreError::Kind::missing);
    EXPECT_EQ(error.description(), "No configuration exists at " + store.path + ".");
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
  // Temporary files never outlive the write.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(directory.path()), {}), 1);

  std::filesystem::create_directory(directory / "locked");
  std::filesystem::permissions(directory / "locked", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  if (::access((directory / "locked").c_str(), W_OK) != 0) {  // root may write anywhere
    try {
      ConfigStore::writePrivateData("x", directory / "locked" / "out.json", true);
      ADD_FAILURE() << "wrote into a read-only directory";
    } catch (const std::system_error& error) {
      EXPECT_EQ(error.code().value(), EACCES);
    }
  }
}

TEST_F(ConfigStoreFile, ConcurrentSeedingHasExactlyOneWinner) {
  for (int round = 0; round < 20; ++round) {
    store.path = (directory / ("round" + std::to_string(round)) / "bindings.json").string();
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
    int seeded = 0;
    for (const auto& load : loads) {
      EXPECT_TRUE(load.issues.empty()) << load.issues.front().description();
      seeded += load.seeded ? 1 : 0;
    }
    EXPECT_EQ(seeded, 1);
    EXPECT_EQ(readFile(store.path), ConfigStore::seedData());
  }
}

TEST_F(ConfigStoreFile, NearestExistingDirectoryWalksUp) {
  store.path = (directory / "x" / "y" / "bindings.json").string();
  EXPECT_EQ(store.nearestExistingDirectory(), directory.path());
  std::filesystem::create_directories(directory / "x" / "y");
  EXPECT_EQ(store.nearestExistingDirectory(), directory / "x" / "y");
  writeFile(directory / "file", "");
  store.path = (directory / "file" / "bindings.json").string();
  EXPECT_EQ(store.nearestExistingDirectory(), directory.path());
  store.path = "/bindings.json";
  EXPECT_EQ(store.nearestExistingDirectory(), "/");
}

TEST(ConfigStorePath, EnvironmentOverridesVerbatim) {
  const char* saved = std::getenv("FLITBAR_CONFIG_PATH");
  const std::optional<std::string> previous = saved ? std::optional<std::string>(saved) : std::nullopt;
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  ::setenv("FLITBAR_CONFIG_PATH", "~/elsewhere.json", 1);
  EXPECT_EQ(ConfigStore::defaultPath(), "~/elsewhere.json");
  ::unsetenv("FLITBAR_CONFIG_PATH");
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(ConfigStore::defaultPath(), "/home/someone/.config/flitbar/bindings.json");
  ::setenv("HOME", home.c_str(), 1);
  if (previous) ::setenv("FLITBAR_CONFIG_PATH", previous->c_str(), 1);
}

}  // namespace
}  // namespace flitbar
