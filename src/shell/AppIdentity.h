#pragma once

#include "shell/MainBundle.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace flitbar {

// One broken rule of the identity contract.
struct ContractViolation {
  std::string field;
  std::string message;

  std::string description() const { return field + ": " + message; }
  bool operator==(const ContractViolation&) const = default;
};

// The record that names the product at run time. Every derived identifier (preference keys,
// queue labels, the switch-request signal) is formed from `bundleIdentifier`.
struct AppIdentity {
  std::string name;
  std::string slug;
  std::string bundleIdentifier;
  std::string version;
  std::string build;
  // Kept under this name for the macOS port; Linux builds carry the same value.
  std::string minimumMacOS;
  std::string tagline;
  std::optional<std::string> repositoryURL;
  std::string bundleNamespace;

  static constexpr const char* productNamespace = "dev.flitbar";
  static constexpr const char* productSlug = "flitbar";
  static constexpr const char* productBundleIdentifier = FLITBAR_BUNDLE_IDENTIFIER;
  static constexpr const char* productTagline =
      "Moves your wireless keyboard and mouse to another computer together, at one keypress.";

  // Values from the installed desktop entry when running from the installation, fallbacks otherwise.
  static AppIdentity running(const MainBundle& bundle);

  // Broken rules, in rule order.
  std::vector<ContractViolation> violations() const;

  // $XDG_STATE_HOME/<slug>/<name>.log (XDG_STATE_HOME defaults to ~/.local/state).
  std::filesystem::path logURL() const;

  bool operator==(const AppIdentity&) const = default;
};

// The maker's web address, opened by the About window.
struct HouseBrand {
  static constexpr const char* website = "https://flitbar.dev";
};

// Desktop-entry keys that stand in for the bundle's information dictionary.
namespace BundleKeys {
inline constexpr const char* displayName = "X-Flitbar-DisplayName";
inline constexpr const char* name = "Name";
inline constexpr const char* shortVersion = "X-Flitbar-Version";
inline constexpr const char* build = "X-Flitbar-Build";
inline constexpr const char* minimumSystemVersion = "X-Flitbar-MinimumSystemVersion";
}  // namespace BundleKeys

}  // namespace flitbar
