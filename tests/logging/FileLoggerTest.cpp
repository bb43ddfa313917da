#include "logging/FileLogger.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <latch>
#include <sstream>
#include <thread>

namespace flitbar {
namespace {

using namespace std::chrono;
using testing::readFile;
using testing::TemporaryDirectory;
using testing::writeFile;

// 2026-12-05T13:57:02Z
const system_clock::time_point fixedTime = sys_days{year{2026} / 12 / 5} + hours{13} + minutes{57} + seconds{2};

class FileLoggerTest : public ::testing::Test {
 protected:
  TemporaryDirectory directory;
  std::filesystem::path file = directory / "logs" / "deeper" / "Flitbar.log";
};

TEST_F(FileLoggerTest, LinesCarryUtcTimeAndUpperCaseLevel) {
  FileLogger logger(file, 1'048'576, [] { return fixedTime + milliseconds(999); });
  EXPECT_TRUE(std::filesystem::exists(file));
  EXPECT_EQ(readFile(file), "");

  logger.warning("Battery low");
  logger.info("Devices: 2");
  logger.error("first\nsecond");
  logger.log(LogLevel::debug, "");
  EXPECT_EQ(readFile(file),
            "2026-12-05T13:57:02Z [WARNING] Battery low\n"
            "2026-12-05T13:57:02Z [INFO] Devices: 2\n"
            "2026-12-05T13:57:02Z [ERROR] first\nsecond\n"
            "2026-12-05T13:57:02Z [DEBUG] \n");
}

TEST_F(FileLoggerTest, AppendsToAnExistingFileAndDropsLinesOnceItIsDeleted) {
  std::filesystem::create_directories(file.parent_path());
  writeFile(file, "earlier\n");
  FileLogger logger(file, 1'048'576, [] { return fixedTime; });
  logger.info("later");
  EXPECT_EQ(readFile(file), "earlier\n2026-12-05T13:57:02Z [INFO] later\n");

  std::filesystem::remove(file);
  logger.info("lost");
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(FileLoggerTest, CutsToTheNewestHalfOncePastTheLimit) {
  std::filesystem::create_directories(file.parent_path());
  std::string contents(1'048'577, 'a');
  for (std::size_t index = 0; index < contents.size(); index += 97)
    contents[index] = static_cast<char>('0' + index % 10);
  writeFile(file, contents);
  FileLogger logger(file, 1'048'576, [] { return fixedTime; });
  logger.info("after");
  const auto line = std::string("2026-12-05T13:57:02Z [INFO] after\n");
  EXPECT_EQ(readFile(file), contents.substr(contents.size() - 524'288) + line);

  // At the limit exactly nothing is cut.
  writeFile(file, std::string(1'048'576 - line.size(), 'b'));
  logger.info("after");
  logger.info("after");
  EXPECT_EQ(std::filesystem::file_size(file), 1'048'576u + line.size());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file.parent_path()), {}), 1);
}

TEST_F(FileLoggerTest, ConcurrentLinesStayWholeAcrossCuts) {
  FileLogger logger(file, 4096, [] { return fixedTime; });
  constexpr int writers = 4;
  constexpr int linesEach = 200;
  std::latch start(writers);
  std::vector<std::thread> threads;
  for (int writer = 0; writer < writers; ++writer)
    threads.emplace_back([&, writer] {
      start.arrive_and_wait();
      for (int line = 0; line < linesEach; ++line)
        logger.info("writer " + std::to_string(writer) + " line " + std::to_string(line));
    });
  for (auto& thread : threads) thread.join();

  const auto contents = readFile(file);
  EXPECT_LE(contents.size(), 4096u + 64u);
  std::istringstream lines(contents);
  std::string line;
  std::getline(lines, line);  // the first line may be cut anywhere
  int whole = 0;
  while (std::getline(lines, line)) {
    EXPECT_EQ(line.rfind("2026-12-05T13:57:02Z [INFO] writer ", 0), 0u) << line;
    ++whole;
  }
  EXPECT_GT(whole, 20);
}

}  // namespace
}  // namespace flitbar
