#include "shell/LaunchAtLoginService.h"
#include "shell/MainBundle.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <fstream>

namespace flitbar {
namespace {

class LaunchAtLoginServiceTest : public ::testing::Test {
 protected:
  testing::TemporaryDirectory home;
  std::filesystem::path entry = home.path() / "autostart" / "dev.flitbar.flitbar.desktop";
};

TEST_F(LaunchAtLoginServiceTest, TurningOnWritesAnEntryThatStartsTheExecutableAsALoginLaunch) {
  LaunchAtLoginService service(entry, "/opt/my apps/$HOME/flit%bar", "Flitbar");
  EXPECT_FALSE(service.isEnabled());
  service.setEnabled(true);
  EXPECT_TRUE(service.isEnabled());
  const auto keys = MainBundle::parseDesktopEntry(testing::readFile(entry));
  EXPECT_EQ(keys.at("Type"), "Application");
  EXPECT_EQ(keys.at("Name"), "Flitbar");
  // Quoted for the space, '$' escaped for the shell-like argument rules, '%' doubled for field codes.
  EXPECT_EQ(keys.at("Exec"), "env FLITBAR_LOGIN_LAUNCH=1 \"/opt/my apps/\\\\$HOME/flit%%bar\"");
  std::ofstream(entry, std::ios::app) << "Hidden=true\n";
  EXPECT_FALSE(service.isEnabled()) << "the desktop turned the entry off";
  service.setEnabled(false);
  EXPECT_FALSE(std::filesystem::exists(entry));
  EXPECT_NO_THROW(service.setEnabled(false)) << "turning off twice is not an error";
}

TEST_F(LaunchAtLoginServiceTest, AnUnwritableFolderFailsNamingTheEntry) {
  std::ofstream(home.path() / "autostart") << "a file where the folder should be";
  LaunchAtLoginService service(entry, "/usr/bin/flitbar", "Flitbar");
  try {
    service.setEnabled(true);
    ADD_FAILURE() << "expected an error";
  } catch (const std::runtime_error& error) {
    EXPECT_TRUE(std::string(error.what()).starts_with("Could not write " + entry.string() + ": ")) << error.what();
  }
}

}  // namespace
}  // namespace flitbar
