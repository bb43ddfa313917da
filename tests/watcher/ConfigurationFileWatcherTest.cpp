#include "config/ConfigurationFileWatcher.h"
#include "support/FakeDesktopServices.h"
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

class WatcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ensureQtApplication();
    fs::create_directories(file.parent_path());
    writeFile(file, "initial");
  }

  void startWatching(std::chrono::milliseconds interval = debounce) {
    watcher = std::make_unique<ConfigurationFileWatcher>(
        file.string(), [this] { ++changes; }, interval);
    watcher->start();
  }

  // Runs the event loop until a change is reported or `limit` passes; returns how many were.
  int changesWithin(std::chrono::milliseconds limit) {
    const int before = changes;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (changes == before && std::chrono::steady_clock::now() < deadline) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      std::this_thread::sleep_for(2ms);
    }
    return changes - before;
  }
  // A slow machine only makes this wait longer.
  bool oneMoreChange() { return changesWithin(20s) == 1; }
  // Load can only hide an extra change, never report one.
  bool staysQuiet(std::chrono::milliseconds period = 4 * debounce) { return changesWithin(period) == 0; }

  // Writes a new file and renames it over the target, as editors do.
  static void saveByRename(const fs::path& target, const std::string& contents) {
    writeFile(target.parent_path() / ".swp", contents);
    fs::rename(target.parent_path() / ".swp", target);
  }

  TemporaryDirectory directory;
  fs::path file = directory / "flitbar" / "bindings.json";
  std::unique_ptr<ConfigurationFileWatcher> watcher;
  int changes = 0;
};

TEST_F(WatcherTest, WritesAndRenameOverSavesOfTheFileOrItsSymlinkTargetAreSeenOnceEach) {
  const auto target = directory / "dotfiles" / "bindings.json";
  fs::create_directories(target.parent_path());
  writeFile(target, "target");
  fs::remove(file);
  fs::create_symlink(target, file);
  startWatching();
  writeFile(target, "edited in place");
  EXPECT_TRUE(oneMoreChange());
  EXPECT_TRUE(staysQuiet());
  saveByRename(target, "saved by rename");
  EXPECT_TRUE(oneMoreChange());
}

TEST_F(WatcherTest, BurstsReloadOnceAndUnchangedSavesOrAStoppedWatcherNotAtAll) {
  // A debounce far longer than the pauses between the writes of the burst.
  startWatching(1s);
  for (const auto* contents : {"b", "c", "d", "e"}) {
    writeFile(file, contents);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  EXPECT_TRUE(oneMoreChange());
  saveByRename(file, "e");
  fs::last_write_time(file, fs::file_time_type::clock::now());
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_TRUE(staysQuiet(2s));

  // A change already waiting out the debounce is dropped by stopping.
  writeFile(file, "f");
  QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  watcher->stop();
  writeFile(file, "g");
  EXPECT_TRUE(staysQuiet());
}

TEST_F(WatcherTest, FollowsTheFileIntoDirectoriesCreatedLaterAndOutOfDeletedOnes) {
  file = directory / "a" / "b" / "bindings.json";
  startWatching();
  fs::create_directory(directory / "a");
  EXPECT_TRUE(staysQuiet());
  fs::create_directory(directory / "a" / "b");
  EXPECT_TRUE(staysQuiet()) << "still missing, for the same reason";
  writeFile(file, "{}");
  EXPECT_TRUE(oneMoreChange());
  fs::remove_all(directory / "a");
  EXPECT_TRUE(oneMoreChange());
  fs::create_directories(file.parent_path());
  writeFile(file, "{}");
  EXPECT_TRUE(oneMoreChange());
}

}  // namespace
}  // namespace flitbar
