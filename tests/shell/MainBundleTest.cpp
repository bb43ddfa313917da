#include "shell/MainBundle.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace flitbar {
namespace {

TEST(MainBundle, DesktopEntryKeysComeFromTheMainGroupOnly) {
  const auto keys = MainBundle::parseDesktopEntry(
      "# comment\n[Desktop Entry]\nName=Flitbar\nName[de]=Flitleiste\nX-Flitbar-Version = 1.2.3\r\n"
      "broken line\n[Desktop Action Quit]\nName=Quit\n");
  EXPECT_EQ(keys, (std::map<std::string, std::string>{{"Name", "Flitbar"}, {"X-Flitbar-Version", "1.2.3"}}));
}

TEST(MainBundle, FoundOnlyBesideAnInstalledExecutable) {
  char pattern[] = "/tmp/flitbar-bundle-XXXXXX";
  const std::filesystem::path prefix = mkdtemp(pattern);
  std::filesystem::create_directories(prefix / "bin");
  std::filesystem::create_directories(prefix / "share" / "applications");
  EXPECT_EQ(MainBundle::locate(prefix / "bin" / "flitbar", "dev.flitbar.flitbar"), MainBundle{});

  std::ofstream(prefix / "share" / "applications" / "dev.flitbar.flitbar.desktop")
      << "[Desktop Entry]\nName=Flitbar\nX-Flitbar-Build=9\n";
  const auto bundle = MainBundle::locate(prefix / "bin" / "flitbar", "dev.flitbar.flitbar");
  EXPECT_EQ(bundle.identifier, "dev.flitbar.flitbar");
  EXPECT_EQ(bundle.info.at("X-Flitbar-Build"), "9");
  std::filesystem::remove_all(prefix);
}

}  // namespace
}  // namespace flitbar
