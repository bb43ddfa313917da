#include "shell/MainBundle.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

TEST(MainBundle, DesktopEntryKeysComeFromTheMainGroupOnly) {
  const auto keys = MainBundle::parseDesktopEntry(
      "# comment\n[Desktop Entry]\nName=Flitbar\nName[de]=Flitleiste\nX-Flitbar-Version = 1.2.3\r\n"
      "broken line\n[Desktop Action Quit]\nName=Quit\n");
  EXPECT_EQ(keys, (std::map<std::string, std::string>{{"Name", "Flitbar"}, {"X-Flitbar-Version", "1.2.3"}}));
}

TEST(MainBundle, FoundOnlyBesideAnInstalledExecutable) {
  testing::TemporaryDirectory prefix;
  std::filesystem::create_directories(prefix / "bin");
  std::filesystem::create_directories(prefix / "share" / "applications");
  EXPECT_EQ(MainBundle::locate(prefix / "bin" / "flitbar", "dev.flitbar.flitbar"), MainBundle{});
  testing::writeFile(prefix / "share" / "applications" / "dev.flitbar.flitbar.desktop",
                     "[Desktop Entry]\nName=Flitbar\nX-Flitbar-Build=9\n");
  EXPECT_EQ(MainBundle::locate(prefix / "bin" / "flitbar", "dev.flitbar.flitbar"),
            (MainBundle{"dev.flitbar.flitbar", {{"Name", "Flitbar"}, {"X-Flitbar-Build", "9"}}}));
}

}  // namespace
}  // namespace flitbar
