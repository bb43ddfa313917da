#include "shell/AppIdentity.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace flitbar {
namespace {

AppIdentity valid() { return AppIdentity::running(MainBundle{}); }

TEST(AppIdentity, EachRuleJudgesItsOwnFieldInRuleOrder) {
  using Field = std::string AppIdentity::*;
  // A value for one field and the violated fields in order, "" when the value is acceptable.
  const std::vector<std::tuple<Field, std::string, std::string>> cases{
      {&AppIdentity::name, "Flitbar 2 Pro", ""},
      {&AppIdentity::name, "flitbar", "name"},
      {&AppIdentity::name, "Flit-bar", "name"},
      {&AppIdentity::name, "", "name"},
      {&AppIdentity::name, "Flitbar\n", "name"},
      {&AppIdentity::name, "Flitb\u00e4r", "name"},
      {&AppIdentity::slug, "Flit", "slug bundleIdentifier"},
      {&AppIdentity::bundleIdentifier, "dev.flitbar", "bundleIdentifier"},
      {&AppIdentity::version, "0.0.0", ""},
      {&AppIdentity::version, "+1.2.3", ""},
      {&AppIdentity::version, "1.2", "version"},
      {&AppIdentity::version, "1.2.3.4", "version"},
      {&AppIdentity::version, "1..3", "version"},
      {&AppIdentity::version, "1.2.-3", "version"},
      {&AppIdentity::version, "1.2.99999999999999999999", "version"},
      {&AppIdentity::build, "+42", ""},
      {&AppIdentity::build, "007", ""},
      {&AppIdentity::build, "1", ""},
      {&AppIdentity::build, "0", "build"},
      {&AppIdentity::build, "00", "build"},
      {&AppIdentity::build, "-3", "build"},
      {&AppIdentity::build, "++4", "build"},
      {&AppIdentity::build, "4 ", "build"},
      {&AppIdentity::build, "", "build"},
      {&AppIdentity::build, "99999999999999999999999", "build"},
      {&AppIdentity::minimumMacOS, "13.1", ""},
      {&AppIdentity::minimumMacOS, "13.1.2", ""},
      {&AppIdentity::minimumMacOS, "13", "minimumMacOS"},
      {&AppIdentity::minimumMacOS, "13.", "minimumMacOS"},
      {&AppIdentity::minimumMacOS, "13.1.2.3", "minimumMacOS"},
      {&AppIdentity::minimumMacOS, "-1.0", "minimumMacOS"},
      {&AppIdentity::tagline, " \n\t", "tagline"},
  };
  EXPECT_TRUE(valid().violations().empty());
  for (const auto& [field, value, violated] : cases) {
    auto identity = valid();
    identity.*field = value;
    std::string fields;
    for (const auto& violation : identity.violations()) fields += (fields.empty() ? "" : " ") + violation.field;
    EXPECT_EQ(fields, violated) << value;
  }
}

TEST(AppIdentity, ReadsTheInstalledDesktopEntryOnlyForItsOwnIdentifier) {
  MainBundle bundle{AppIdentity::productBundleIdentifier,
                    {{"Name", "Flitbar Nightly"},
                     {"X-Flitbar-Version", "1.4.2"},
                     {"X-Flitbar-Build", "77"},
                     {"X-Flitbar-MinimumSystemVersion", "13.0"}}};
  const auto identity = AppIdentity::running(bundle);
  EXPECT_EQ(std::tie(identity.name, identity.version, identity.build, identity.minimumMacOS),
            std::make_tuple("Flitbar Nightly", "1.4.2", "77", "13.0"));
  bundle.info["X-Flitbar-DisplayName"] = "Flitbar Display";
  EXPECT_EQ(AppIdentity::running(bundle).name, "Flitbar Display");
  bundle.identifier = "org.example.other";
  EXPECT_EQ(AppIdentity::running(bundle), valid());
}

// An absolute XDG_STATE_HOME is followed by the running application's log end to end.
TEST(AppIdentity, ARelativeStateDirectoryFallsBackToHome) {
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  const std::string state = std::getenv("XDG_STATE_HOME") ? std::getenv("XDG_STATE_HOME") : "";
  ::setenv("XDG_STATE_HOME", "relative/ignored", 1);
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(valid().logURL(), "/home/someone/.local/state/flitbar/Flitbar.log");
  ::setenv("HOME", home.c_str(), 1);
  if (state.empty())
    ::unsetenv("XDG_STATE_HOME");
  else
    ::setenv("XDG_STATE_HOME", state.c_str(), 1);
}

}  // namespace
}  // namespace flitbar
