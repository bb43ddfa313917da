#include "shell/MainBundle.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

TEST(MainBundle, DesktopEntryKeysComeFromTheMainGroupOnly) {
  const auto keys = MainBundle::parseDesktopEntry(
      "# comment\n[Desktop Entry]\nName=Flitbar\nName[de]=Flitleiste\nX-Flitbar-Version = 1.2.3\r\n"
      "broken line\n[Desktop Action Quit]\nName=Quit\n");
  EXPECT_EQ(keys, (std::map<std::string, std::string>{{"Name", "Flitbar"}, {"X-Flitbar-Version", "1.2.3"}}));
}

}  // namespace
}  // namespace flitbar
