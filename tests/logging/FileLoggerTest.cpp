#include "logging/FileLogger.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <latch>
#include <sstream>
#include <thread>

namespace flitbar {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;
using testing::modeOf;
using testing::readFile;
using testing::TemporaryDirectory;
using testing::writeFile;

// 2026-12-05T13:57:02Z
const system_clock::time_point fixedTime = sys_days{year{2026} / 12 / 5} + hours{13} + minutes{57} + seconds{2};
const std::string stamp = "2026-12-05T13:57:02Z";

class FileLoggerTest : public ::testing::Test {
 protected:
  TemporaryDirectory directory;
  fs::path file = directory / "state" / "Flitbar.log";
};

TEST_F(FileLoggerTest, LinesCarryUtcTimeAndLevelAndGoOnlyToAPrivateFile) {
  FileLogger fresh(directory / "a" / "b" / "Flitbar.log", 1'048'576);
  EXPECT_EQ(readFile(directory / "a" / "b" / "Flitbar.log"), "");
  // The log tells what the devices did: private even where an earlier one was not.
  fs::create_directory(file.parent_path());
  fs::permissions(file.parent_path(), fs::perms(0755));
  writeFile(file, "earlier\n");
  fs::permissions(file, fs::perms(0644));
  FileLogger logger(file, 1'048'576, [] { return fixedTime + milliseconds(999); });
  EXPECT_EQ(modeOf(file), 0600u);
  EXPECT_EQ(modeOf(file.parent_path()), 0700u);

  logger.warning("Battery low");
  logger.error("first\nsecond");
  EXPECT_EQ(readFile(file), "earlier\n" + stamp + " [WARNING] Battery low\n" + stamp + " [ERROR] first\nsecond\n");
  fs::remove(file);
  logger.info("lost");
  EXPECT_FALSE(fs::exists(file)) << "a log removed while running stays removed";
}

TEST_F(FileLoggerTest, PastTheLimitOnlyTheNewestHalfIsKeptThroughAFreshName) {
  fs::create_directory(file.parent_path());
  const auto victim = directory / "victim";
  writeFile(victim, "keep me");
  fs::create_symlink(victim, directory / "state" / "Flitbar.log.trim");
  std::string contents(1'048'577, 'a');
  for (std::size_t index = 0; index < contents.size(); index += 97) contents[index] = char('0' + index % 10);
  writeFile(file, contents);
  FileLogger logger(file, 1'048'576, [] { return fixedTime; });
  logger.info("after");
  const auto line = stamp + " [INFO] after\n";
  EXPECT_EQ(readFile(file), contents.substr(contents.size() - 524'288) + line);
  EXPECT_EQ(readFile(victim), "keep me");
  EXPECT_EQ(modeOf(file), 0600u);

  // At the limit exactly nothing is cut.
  writeFile(file, std::string(1'048'576 - line.size(), 'b'));
  logger.info("after");
  logger.info("after");
  EXPECT_EQ(fs::file_size(file), 1'048'576u + line.size());
  EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), {}), 2) << "a temporary file outlived the cut";
}

TEST_F(FileLoggerTest, ConcurrentLinesStayWholeAcrossCuts) {
  FileLogger logger(file, 4096, [] { return fixedTime; });
  constexpr int writers = 4;
  std::latch start(writers);
  std::vector<std::thread> threads;
  for (int writer = 0; writer < writers; ++writer)
    threads.emplace_back([&, writer] {
      start.arrive_and_wait();
      for (int line = 0; line < 200; ++line)
        logger.info("writer " + std::to_string(writer) + " line " + std::to_string(line));
    });
  for (auto& thread : threads) thread.join();

  const auto contents = readFile(file);
  EXPECT_LE(contents.size(), 4096u + 64u);
  std::istringstream lines(contents);
  std::string line;
  std::getline(lines, line);  // the first line may be cut anywhere
  int whole = 0;
  for (; std::getline(lines, line); ++whole) EXPECT_TRUE(line.starts_with(stamp + " [INFO] writer ")) << line;
  EXPECT_GT(whole, 20);
}

}  // namespace
}  // namespace flitbar
