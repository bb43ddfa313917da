#include "shell/AppIdentity.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

AppIdentity valid() { return AppIdentity::running(MainBundle{}); }

TEST(AppIdentity, EachRuleJudgesItsOwnFieldInRuleOrder) {
  using Field = std::string AppIdentity::*;
  // A value for one field and the violated fields in order, "" when the value is acceptable.
  const std::vector<std::tuple<Field, std::string, std::string>> cases{
      {&AppIdentity::name, "flitbar", "name"},
      {&AppIdentity::slug, "Flit", "slug bundleIdentifier"},
      {&AppIdentity::bundleIdentifier, "dev.flitbar", "bundleIdentifier"},
      {&AppIdentity::version, "0.0.0", ""},
      {&AppIdentity::version, "1.2", "version"},
      {&AppIdentity::version, "1.2.99999999999999999999", "version"},
      {&AppIdentity::build, "+42", ""},
      {&AppIdentity::build, "0", "build"},
      {&AppIdentity::build, "99999999999999999999999", "build"},
      {&AppIdentity::minimumMacOS, "13.1.2", ""},
      {&AppIdentity::minimumMacOS, "13", "minimumMacOS"},
      {&AppIdentity::minimumMacOS, "13.1.2.3", "minimumMacOS"},
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

// Keys of other groups, localised keys and lines that are no key are left out.
TEST(AppIdentity, ReadsTheMainGroupOfTheInstalledDesktopEntryOnlyForItsOwnIdentifier) {
  MainBundle bundle{
      AppIdentity::productBundleIdentifier,
      MainBundle::parseDesktopEntry("# comment\n[Desktop Entry]\nName=Flitbar Nightly\nName[de]=Flitleiste\n"
                                    "X-Flitbar-Version = 1.4.2\r\nbroken line\nX-Flitbar-Build=77\n"
                                    "[Desktop Action Quit]\nName=Quit\nX-Flitbar-MinimumSystemVersion=13.0\n")};
  const auto identity = AppIdentity::running(bundle);
  EXPECT_EQ(std::tie(identity.name, identity.version, identity.build, identity.minimumMacOS),
            std::make_tuple("Flitbar Nightly", "1.4.2", "77", "12.0"));
  bundle.info["X-Flitbar-DisplayName"] = "Flitbar Display";
  EXPECT_EQ(AppIdentity::running(bundle).name, "Flitbar Display");
  bundle.identifier = "org.example.other";
  EXPECT_EQ(AppIdentity::running(bundle), valid());
}

}  // namespace
}  // namespace flitbar
