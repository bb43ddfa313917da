#include "config/ConfigurationFileWatcher.h"
#include "support/TemporaryDirectory.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <gtest/gtest.h>

#include <thread>

namespace flitbar {
namespace {

using namespace std::chrono_literals;
using testing::TemporaryDirectory;
using testing::writeFile;

constexpr auto debounce = 150ms;
// Long enough for the debounce and the re-armed watches to have settled.
constexpr auto settle = 700ms;

QCoreApplication& application() {
  static int argc = 1;
  static char name[] = "watcher_tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication instance(argc, argv);
  return instance;
}

void runLoopFor(std::chrono::milliseconds duration) {
  const auto deadline = std::chrono::steady_clock::now() + duration;
  while (std::chrono::steady_clock::now() < deadline) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    std::this_thread::sleep_for(2ms);
  }
}

class WatcherTest : public ::testing::Test {
 protected:
  void SetUp() override { application(); }

  void startWatching(const std::filesystem::path& file) {
    watcher = std::make_unique<ConfigurationFileWatcher>(
        file.string(), [this] { ++changes; }, debounce);
    watcher->start();
    runLoopFor(50ms);
  }

  // Writes a new file and renames it over the target, as editors do.
  static void saveByRename(const std::filesystem::path& file, const std::string& contents) {
    const auto temporary = file.parent_path() / ".bindings.json.swp";
    writeFile(temporary, contents);
    std::filesystem::rename(temporary, file);
  }

  TemporaryDirectory directory;
  std::filesystem::path file = directory / "flitbar" / "bindings.json";
  std::unique_ptr<ConfigurationFileWatcher> watcher;
  int changes = 0;
};

TEST_F(WatcherTest, RenameOverSavesAreSeenOnceEachAndKeepWorking) {
  std::filesystem::create_directories(file.parent_path());
  writeFile(file, R"({"bindings": []})");
  startWatching(file);

  saveByRename(file, R"({"bindings": [1]})");
  runLoopFor(debounce / 3);
  EXPECT_EQ(changes, 0);  // still waiting for the editor to finish
  runLoopFor(settle);
  EXPECT_EQ(changes, 1);

  saveByRename(file, R"({"bindings": [2]})");
  runLoopFor(settle);
  EXPECT_EQ(changes, 2);

  // An in-place write to the renamed-in file is seen too.
  writeFile(file, R"({"bindings": [3]})");
  runLoopFor(settle);
  EXPECT_EQ(changes, 3);
}

TEST_F(WatcherTest, BurstsAndUnchangedSavesDoNotReloadTwice) {
  std::filesystem::create_directories(file.parent_path());
  writeFile(file, "a");
  startWatching(file);

  for (const auto* contents : {"b", "c", "d", "e"}) {
    writeFile(file, contents);
    runLoopFor(debounce / 5);
  }
  runLoopFor(settle);
  EXPECT_EQ(changes, 1);

  saveByRename(file, "e");
  std::filesystem::last_write_time(file, std::filesystem::file_time_type::clock::now());
  std::filesystem::permissions(file, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  runLoopFor(settle);
  EXPECT_EQ(changes, 1);
}

TEST_F(WatcherTest, DeletionAndRecreationAreChanges) {
  std::filesystem::create_directories(file.parent_path());
  writeFile(file, "x");
  startWatching(file);

  std::filesystem::remove(file);
  runLoopFor(settle);
  EXPECT_EQ(changes, 1);

  writeFile(file, "x");
  runLoopFor(settle);
  EXPECT_EQ(changes, 2);
}

TEST_F(WatcherTest, FollowsTheFileIntoDirectoriesCreatedLater) {
  file = directory / "a" / "b" / "bindings.json";
  startWatching(file);

  std::filesystem::create_directory(directory / "a");
  runLoopFor(settle);
  std::filesystem::create_directory(directory / "a" / "b");
  runLoopFor(settle);
  EXPECT_EQ(changes, 0);  // still missing, for the same reason

  writeFile(file, "{}");
  runLoopFor(settle);
  EXPECT_EQ(changes, 1);

  // The whole directory going away is a change as well.
  std::filesystem::remove_all(directory / "a");
  runLoopFor(settle);
  EXPECT_EQ(changes, 2);
}

TEST_F(WatcherTest, AStoppedWatcherStaysQuiet) {
  std::filesystem::create_directories(file.parent_path());
  writeFile(file, "1");
  startWatching(file);
  writeFile(file, "2");
  runLoopFor(debounce / 3);
  watcher->stop();
  EXPECT_FALSE(watcher->isRunning());
  writeFile(file, "3");
  runLoopFor(settle);
  EXPECT_EQ(changes, 0);
}

TEST_F(WatcherTest, TheActionMayDestroyTheWatcher) {
  std::filesystem::create_directories(file.parent_path());
  writeFile(file, "1");
  watcher = std::make_unique<ConfigurationFileWatcher>(
      file.string(),
      [this] {
        ++changes;
        watcher.reset();
      },
      debounce);
  watcher->start();
  writeFile(file, "2");
  runLoopFor(settle);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(watcher, nullptr);
  writeFile(file, "3");
  runLoopFor(settle);
  EXPECT_EQ(changes, 1);
}

}  // namespace
}  // namespace flitbar
