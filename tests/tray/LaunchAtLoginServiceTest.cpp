#include "shell/LaunchAtLoginService.h"
#include "shell/MainBundle.h"
#include "support/TemporaryDirectory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

namespace flitbar {
namespace {

using ::testing::StartsWith;
using ::testing::ThrowsMessage;

TEST(LaunchAtLoginServiceTest, WritesAnEntryThatStartsTheExecutableAsALoginLaunchOrFailsNamingIt) {
  testing::TemporaryDirectory home;
  const auto entry = home.path() / "autostart" / "dev.flitbar.flitbar.desktop";
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

  std::filesystem::remove(entry.parent_path());
  std::ofstream(entry.parent_path()) << "a file where the folder should be";
  EXPECT_THAT([&] { service.setEnabled(true); },
              ThrowsMessage<std::runtime_error>(StartsWith("Could not write " + entry.string() + ": ")));
}

}  // namespace
}  // namespace flitbar
