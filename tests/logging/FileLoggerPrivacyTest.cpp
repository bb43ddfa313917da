#include "logging/FileLogger.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

namespace fs = std::filesystem;
using testing::modeOf;
using testing::readFile;
using testing::TemporaryDirectory;
using testing::writeFile;

TEST(FileLoggerPrivacy, TheLogIsPrivateEvenWhereItWasNot) {
  TemporaryDirectory directory;
  const auto file = directory / "state" / "Flitbar.log";
  fs::create_directory(file.parent_path());
  fs::permissions(file.parent_path(), fs::perms(0755));
  writeFile(file, "earlier\n");
  fs::permissions(file, fs::perms(0644));
  FileLogger logger(file, 1'048'576);
  EXPECT_EQ(modeOf(file), 0600u);
  EXPECT_EQ(modeOf(file.parent_path()), 0700u);
}

TEST(FileLoggerPrivacy, TrimmingNeverWritesThroughANamePlantedBesideTheLog) {
  TemporaryDirectory directory;
  const auto file = directory / "Flitbar.log";
  const auto victim = directory / "victim";
  writeFile(victim, "keep me");
  fs::create_symlink(victim, directory / "Flitbar.log.trim");
  FileLogger logger(file, 64);
  writeFile(file, std::string(100, 'x'));
  logger.info("after the cut");
  EXPECT_EQ(readFile(victim), "keep me");
  EXPECT_TRUE(readFile(file).starts_with(std::string(32, 'x') + "2")) << readFile(file);
  EXPECT_EQ(modeOf(file), 0600u);
}

}  // namespace
}  // namespace flitbar
