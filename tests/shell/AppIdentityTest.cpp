#include "shell/AppIdentity.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace flitbar {
namespace {

AppIdentity valid() { return AppIdentity::running(MainBundle{}); }

std::vector<std::string> fieldsOf(const AppIdentity& identity) {
  std::vector<std::string> fields;
  for (const auto& violation : identity.violations()) fields.push_back(violation.field);
  return fields;
}

TEST(AppIdentity, OutsideTheBundleUsesFallbacksAndKeepsTheContract) {
  const auto identity = valid();
  EXPECT_EQ(identity.name, "Flitbar");
  EXPECT_EQ(identity.version, "0.3.0");
  EXPECT_EQ(identity.build, "1");
  EXPECT_EQ(identity.minimumMacOS, "12.0");
  EXPECT_EQ(identity.slug, "flitbar");
  EXPECT_EQ(identity.bundleIdentifier, identity.bundleNamespace + ".flitbar");
  EXPECT_FALSE(identity.repositoryURL.has_value());
  EXPECT_TRUE(identity.violations().empty());
}

TEST(AppIdentity, ReadsTheInstalledDesktopEntryOnlyForItsOwnIdentifier) {
  MainBundle bundle{AppIdentity::productBundleIdentifier,
                    {{"Name", "Flitbar Nightly"}, {"X-Flitbar-Version", "1.4.2"}, {"X-Flitbar-Build", "77"},
                     {"X-Flitbar-MinimumSystemVersion", "13.0"}}};
  auto identity = AppIdentity::running(bundle);
  EXPECT_EQ(identity.name, "Flitbar Nightly");
  EXPECT_EQ(identity.version, "1.4.2");
  EXPECT_EQ(identity.build, "77");
  EXPECT_EQ(identity.minimumMacOS, "13.0");

  bundle.info["X-Flitbar-DisplayName"] = "Flitbar Display";
  EXPECT_EQ(AppIdentity::running(bundle).name, "Flitbar Display");

  bundle.identifier = "org.example.other";
  EXPECT_EQ(AppIdentity::running(bundle), valid());
}

TEST(AppIdentity, ViolationsComeInRuleOrderWithTheirMessages) {
  AppIdentity broken{"flitbar", "Flit", "x.y", "1.2", "0", "13", " \n\t", std::nullopt, "dev.flitbar"};
  const std::vector<ContractViolation> expected{
      {"name", "must begin uppercase and contain letters, digits, or spaces"},
      {"slug", "must match [a-z][a-z0-9-]*"},
      {"bundleIdentifier", "must be dev.flitbar.Flit"},
      {"version", "must be semantic x.y.z"},
      {"build", "must be a positive integer"},
      {"minimumMacOS", "must look like 12.0"},
      {"tagline", "must not be empty"},
  };
  EXPECT_EQ(broken.violations(), expected);
  EXPECT_EQ(expected.front().description(), "name: must begin uppercase and contain letters, digits, or spaces");
}

TEST(AppIdentity, NameAndSlugRules) {
  for (const char* name : {"flitbar", "Flit-bar", "", "Flitbar\n", "Flitbär"}) {
    auto identity = valid();
    identity.name = name;
    EXPECT_EQ(fieldsOf(identity), std::vector<std::string>{"name"}) << name;
  }
  auto spaced = valid();
  spaced.name = "Flitbar 2 Pro";
  EXPECT_TRUE(spaced.violations().empty());

  auto slug = valid();
  slug.slug = "flit_bar";
  slug.bundleIdentifier = slug.bundleNamespace + ".flit_bar";
  EXPECT_EQ(fieldsOf(slug), std::vector<std::string>{"slug"});
}

TEST(AppIdentity, VersionBuildAndMinimumRules) {
  for (const char* version : {"1.2", "1.2.3.4", "1..3", "", "1.2.-3", "1.2.x", "1.2.99999999999999999999"}) {
    auto identity = valid();
    identity.version = version;
    EXPECT_EQ(fieldsOf(identity), std::vector<std::string>{"version"}) << version;
  }
  for (const char* version : {"1.2.3", "0.0.0", "+1.2.3"}) {
    auto identity = valid();
    identity.version = version;
    EXPECT_TRUE(identity.violations().empty()) << version;
  }
  for (const char* build : {"0", "00", "-3", "abc", "", "+", "++4", "4 ", "99999999999999999999999"}) {
    auto identity = valid();
    identity.build = build;
    EXPECT_EQ(fieldsOf(identity), std::vector<std::string>{"build"}) << build;
  }
  for (const char* build : {"42", "+42", "007"}) {
    auto identity = valid();
    identity.build = build;
    EXPECT_TRUE(identity.violations().empty()) << build;
  }
  for (const char* minimum : {"13", "13.", "a.b", "13.1.2.3", "-1.0"}) {
    auto identity = valid();
    identity.minimumMacOS = minimum;
    EXPECT_EQ(fieldsOf(identity), std::vector<std::string>{"minimumMacOS"}) << minimum;
  }
  for (const char* minimum : {"13.1", "13.1.2"}) {
    auto identity = valid();
    identity.minimumMacOS = minimum;
    EXPECT_TRUE(identity.violations().empty()) << minimum;
  }
}

TEST(AppIdentity, LogLivesInTheXdgStateDirectory) {
  const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
  const char* saved = std::getenv("XDG_STATE_HOME");
  const std::string restore = saved ? saved : "";
  setenv("XDG_STATE_HOME", "/tmp/flitbar-state", 1);
  EXPECT_EQ(valid().logURL(), "/tmp/flitbar-state/flitbar/Flitbar.log");
  setenv("XDG_STATE_HOME", "relative/ignored", 1);
  setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(valid().logURL(), "/home/someone/.local/state/flitbar/Flitbar.log");
  setenv("HOME", savedHome.c_str(), 1);
  if (saved) setenv("XDG_STATE_HOME", restore.c_str(), 1); else unsetenv("XDG_STATE_HOME");
}

}  // namespace
}  // namespace flitbar
