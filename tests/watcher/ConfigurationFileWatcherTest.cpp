#include "config/ConfigurationFileWatcher.h"
#include "support/TemporaryDirectory.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <gtest/gtest.h>

#include <thread>

namespace flitbar {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::TemporaryDirectory;
using testing::writeFile;

constexpr auto debounce = 150ms;

QCoreApplication& application() {
  static int argc = 1;
  static char name[] = "watcher_tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication instance(argc, argv);
  return instance;
}

// Runs the event loop until `done` holds or `limit` passes; returns `done()`.
template <typename Condition>
bool runLoopUntil(Condition done, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done() && std::chrono::steady_clock::now() < deadline) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    std::this_thread::sleep_for(2ms);
  }
  return done();
}

class WatcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    application();
    fs::create_directories(file.parent_path());
    writeFile(file, "initial");
  }

  void startWatching(std::chrono::milliseconds interval = debounce) {
    watcher = std::make_unique<ConfigurationFileWatcher>(
        file.string(), [this] { ++changes; }, interval);
    watcher->start();
  }

  // True once `count` changes were reported; a slow machine only makes it wait longer.
  bool changesReach(int count) {
    return runLoopUntil([&] { return changes >= count; }, 20s) && changes == count;
  }

  // True when no further change is reported for a while; load can only hide an extra one.
  bool staysAt(int count, std::chrono::milliseconds period = 4 * debounce) {
    return !runLoopUntil([&] { return changes != count; }, period);
  }

  // Writes a new file and renames it over the target, as editors do.
  static void saveByRename(const fs::path& target, const std::string& contents) {
    const auto temporary = target.parent_path() / ".bindings.json.swp";
    writeFile(temporary, contents);
    fs::rename(temporary, target);
  }

  TemporaryDirectory directory;
  fs::path file = directory / "flitbar" / "bindings.json";
  std::unique_ptr<ConfigurationFileWatcher> watcher;
  int changes = 0;
};

TEST_F(WatcherTest, RenameOverSavesAndWritesAreSeenOnceEach) {
  startWatching();
  saveByRename(file, "1");
  EXPECT_TRUE(changesReach(1));
  EXPECT_TRUE(staysAt(1));
  saveByRename(file, "2");
  EXPECT_TRUE(changesReach(2));
  writeFile(file, "3");
  EXPECT_TRUE(changesReach(3));
  EXPECT_TRUE(staysAt(3));
}

TEST_F(WatcherTest, BurstsAndUnchangedSavesDoNotReloadTwice) {
  // A debounce far longer than the pauses between the writes of the burst.
  startWatching(1s);
  for (const auto* contents : {"b", "c", "d", "e"}) {
    writeFile(file, contents);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  EXPECT_TRUE(changesReach(1));
  saveByRename(file, "e");
  fs::last_write_time(file, fs::file_time_type::clock::now());
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_TRUE(staysAt(1, 2s));
}

TEST_F(WatcherTest, DeletionAndRecreationAreChanges) {
  startWatching();
  fs::remove(file);
  EXPECT_TRUE(changesReach(1));
  writeFile(file, "initial");
  EXPECT_TRUE(changesReach(2));
}

TEST_F(WatcherTest, FollowsTheFileIntoDirectoriesCreatedLater) {
  file = directory / "a" / "b" / "bindings.json";
  startWatching();
  fs::create_directory(directory / "a");
  EXPECT_TRUE(staysAt(0));
  fs::create_directory(directory / "a" / "b");
  EXPECT_TRUE(staysAt(0)) << "still missing, for the same reason";
  writeFile(file, "{}");
  EXPECT_TRUE(changesReach(1));
  fs::remove_all(directory / "a");
  EXPECT_TRUE(changesReach(2));
}

TEST_F(WatcherTest, FollowsASymlinkedFileToItsTarget) {
  const auto target = directory / "dotfiles" / "bindings.json";
  fs::create_directories(target.parent_path());
  writeFile(target, "target");
  fs::remove(file);
  fs::create_symlink(target, file);
  startWatching();
  writeFile(target, "edited in place");
  EXPECT_TRUE(changesReach(1));
  saveByRename(target, "saved by rename");
  EXPECT_TRUE(changesReach(2));
  saveByRename(target, "saved again");
  EXPECT_TRUE(changesReach(3));
  writeFile(directory / "dotfiles" / "other.json", "other");
  fs::remove(file);
  fs::create_symlink(directory / "dotfiles" / "other.json", file);
  EXPECT_TRUE(changesReach(4));
}

TEST_F(WatcherTest, AStoppedWatcherStaysQuiet) {
  startWatching(1s);
  writeFile(file, "2");
  QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  watcher->stop();
  EXPECT_FALSE(watcher->isRunning());
  writeFile(file, "3");
  EXPECT_TRUE(staysAt(0));
}

TEST_F(WatcherTest, TheActionMayDestroyTheWatcher) {
  watcher = std::make_unique<ConfigurationFileWatcher>(
      file.string(),
      [this] {
        ++changes;
        watcher.reset();
      },
      debounce);
  watcher->start();
  writeFile(file, "2");
  EXPECT_TRUE(changesReach(1));
  EXPECT_EQ(watcher, nullptr);
  writeFile(file, "3");
  EXPECT_TRUE(staysAt(1));
}

}  // namespace
}  // namespace flitbar
