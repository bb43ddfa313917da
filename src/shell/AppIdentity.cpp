#include "shell/AppIdentity.h"

#include "shell/SemanticVersion.h"

#include "platform/linux/XdgPaths.h"

#include <regex>

namespace flitbar {
namespace {

std::string valueOr(const MainBundle& bundle, std::initializer_list<const char*> keys, const char* fallback) {
  for (const char* key : keys) {
    if (const auto found = bundle.info.find(key); found != bundle.info.end()) return found->second;
  }
  return fallback;
}

bool matchesWhole(const std::string& text, const char* pattern) {
  return std::regex_search(text, std::regex(pattern));
}

bool isPositiveBuild(std::string_view build) {
  if (!build.empty() && build.front() == '+') build.remove_prefix(1);
  if (build.empty() || build.front() == '+' || build.front() == '-') return false;
  const auto value = parseDecimalInteger(build);
  return value && *value > 0;
}

bool isBlank(const std::string& text) { return text.find_first_not_of(" \t\n\r\v\f") == std::string::npos; }

}  // namespace

AppIdentity AppIdentity::running(const MainBundle& bundle) {
  AppIdentity identity{"Flitbar", productSlug, productBundleIdentifier, "0.3.0", "1", "12.0", productTagline,
                       std::nullopt, productNamespace};
  if (bundle.identifier == identity.bundleIdentifier) {
    identity.name = valueOr(bundle, {BundleKeys::displayName, BundleKeys::name}, "Flitbar");
    identity.version = valueOr(bundle, {BundleKeys::shortVersion}, "0.3.0");
    identity.build = valueOr(bundle, {BundleKeys::build}, "1");
    identity.minimumMacOS = valueOr(bundle, {BundleKeys::minimumSystemVersion}, "12.0");
  }
  return identity;
}

std::vector<ContractViolation> AppIdentity::violations() const {
  std::vector<ContractViolation> found;
  if (!matchesWhole(name, "^[A-Z][A-Za-z0-9 ]*$"))
    found.push_back({"name", "must begin uppercase and contain letters, digits, or spaces"});
  if (!matchesWhole(slug, "^[a-z][a-z0-9-]*$")) found.push_back({"slug", "must match [a-z][a-z0-9-]*"});
  const auto expectedIdentifier = bundleNamespace + "." + slug;
  if (bundleIdentifier != expectedIdentifier)
    found.push_back({"bundleIdentifier", "must be " + expectedIdentifier});
  if (!SemanticVersion::parse(version)) found.push_back({"version", "must be semantic x.y.z"});
  if (!isPositiveBuild(build)) found.push_back({"build", "must be a positive integer"});
  if (!OperatingSystemVersion::parse(minimumMacOS)) found.push_back({"minimumMacOS", "must look like 12.0"});
  if (isBlank(tagline)) found.push_back({"tagline", "must not be empty"});
  return found;
}

std::filesystem::path AppIdentity::logURL() const { return XdgPaths::stateHome() / slug / (name + ".log"); }

}  // namespace flitbar
