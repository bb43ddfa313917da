#include "app/FlitbarApplication.h"

#include "config/Settings.h"
#include "protocol/HostNaming.h"

namespace flitbar {
namespace {

using Lifecycle = EngineSnapshot::Lifecycle;

// Running, healthy and settled, with every device on another computer.
bool devicesAway(const EngineSnapshot& snapshot) {
  return snapshot.lifecycle == Lifecycle::running && !snapshot.lastError && !snapshot.movingToHost &&
         snapshot.devices.empty();
}

}  // namespace

std::string FlitbarApplication::statusDescription() const {
  const auto& name = identity_.name;
  if (snapshot_.lastError) return name + ", " + *snapshot_.lastError;
  if (snapshot_.lifecycle == Lifecycle::starting) return name + ", connecting";
  if (snapshot_.movingToHost) return name + ", moving to " + hostLabel(*snapshot_.movingToHost);
  if (snapshot_.lifecycle == Lifecycle::running && snapshot_.devices.empty())
    return name + ", devices are on another computer";
  return name;
}

StatusIconMood FlitbarApplication::statusIconMood() const {
  if (snapshot_.lastError || snapshot_.problem) return StatusIconMood::unreachable;
  if (snapshot_.lifecycle == Lifecycle::running && !snapshot_.movingToHost && snapshot_.devices.empty())
    return StatusIconMood::released;
  return StatusIconMood::capturing;
}

std::string FlitbarApplication::hostLabel(int host) const {
  auto name = Settings::hostName(host, defaults_);
  if (!name) name = HostNaming::name(snapshot_.devices, host);
  if (name && !name->empty()) return "\u201C" + *name + "\u201D";
  return "host " + std::to_string(host);
}

int FlitbarApplication::effectiveHostCount() const {
  return devicesAway(snapshot_) ? lastKnownHostCount_ : snapshot_.hostCount();
}

std::optional<int> FlitbarApplication::effectiveThisHost() const {
  return devicesAway(snapshot_) ? lastKnownThisHost_ : snapshot_.thisHost();
}

std::string FlitbarApplication::localDeviceName(const std::string& name) const {
  for (const auto& device : snapshot_.devices) {
    if (device.name == name) return Settings::deviceName(device.unitID, device.name, defaults_).value_or(name);
  }
  return name;
}

void FlitbarApplication::refreshPanel() {
  if (!context_) return;
  if (const auto host = context_->host.lock()) host->refreshStatusItem();
}

}  // namespace flitbar
