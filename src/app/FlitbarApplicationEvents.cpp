#include "app/FlitbarApplication.h"

#include "config/Settings.h"
#include "protocol/HostNaming.h"

#include <QUuid>

namespace flitbar {
namespace {

// A warning is given at or below the first figure and re-armed at or above the second; in
// between a device is neither warned nor re-armed, so a reading that wobbles warns once.
constexpr int lowBatteryPercent = 20;
constexpr int rearmBatteryPercent = 26;
constexpr double switchFlashSeconds = 2.0;

std::string deviceToken(const DeviceInfo& device) {
  return std::to_string(device.index) + ":" + (device.unitID && !device.unitID->empty() ? *device.unitID : device.name);
}

}  // namespace

void FlitbarApplication::receive(const EngineEvent& event) {
  if (!context_) return;
  if (const auto* state = event.asSnapshot()) {
    snapshot_ = *state;
    if (!snapshot_.devices.empty()) {
      lastKnownHostCount_ = snapshot_.hostCount();
      lastKnownThisHost_ = snapshot_.thisHost();
    }
    refreshWheelDiversion();
    noteConnectionEdge();
    noteLowBatteries();
    updateStatusToolTip();
    refreshPanel();
  } else if (const auto* report = event.asSwitched()) {
    noteSwitch(*report);
  } else if (event.asRestoreFinished()) {
    refreshPanel();
  } else if (const auto* failure = event.asActionFailed()) {
    post(identity_.name + " Action Failed", failure->name + ": " + failure->detail,
         QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString(), InterruptionLevel::active,
         "Could not post action failure notification: ");
  }
}

void FlitbarApplication::noteSwitch(SwitchReport report) {
  if (const auto host = context_->host.lock()) host->flashStatusText(std::to_string(report.host), switchFlashSeconds);
  report.destinationName = Settings::hostName(report.host, defaults_);
  if (!report.destinationName) report.destinationName = HostNaming::name(snapshot_.devices, report.host);
  if (report.reason.kind == SwitchReason::Kind::followLeader)
    report.reason.detail = localDeviceName(report.reason.detail);
  post(identity_.name, report.notificationBody(), "flitbar-switch", InterruptionLevel::active,
       "Could not post switch notification: ");
}

void FlitbarApplication::post(const std::string& title, const std::string& body, const std::string& identifier,
                              InterruptionLevel level, const std::string& failurePrefix) {
  context_->notifications.post(title, body, identifier, level,
                               guarded([this, failurePrefix](std::optional<std::string> error) {
                                 if (error && logger()) logger()->warning(failurePrefix + *error);
                               }));
}

void FlitbarApplication::noteConnectionEdge() {
  const bool healthy = !snapshot_.lastError.has_value();
  if (seenFirstSnapshot_ && healthy != connectionWasHealthy_) {
    const auto body = healthy ? std::string("Receiver is reachable again.")
                              : "Receiver unreachable: " + snapshot_.lastError.value_or("unknown reason");
    post(identity_.name, body, "flitbar-connection", InterruptionLevel::active, "Could not post notification: ");
  }
  connectionWasHealthy_ = healthy;
  seenFirstSnapshot_ = true;
}

void FlitbarApplication::noteLowBatteries() {
  for (const auto& device : snapshot_.devices) {
    if (!device.battery) continue;
    const auto key = deviceToken(device);
    const int percent = device.battery->percent;
    if (percent >= rearmBatteryPercent) {
      lowBatteryWarned_.erase(key);
      continue;
    }
    if (lowBatteryWarned_.contains(key) || percent > lowBatteryPercent) continue;
    lowBatteryWarned_[key] = percent;
    const auto name = Settings::deviceName(device.unitID, device.name, defaults_).value_or(device.name);
    post(identity_.name,
         name + " battery is at " + std::to_string(percent) + "%" + (device.battery->charging ? " (charging)" : "") +
             ".",
         "flitbar-battery-" + key, InterruptionLevel::passive, "Could not post notification: ");
  }
}

void FlitbarApplication::updateStatusToolTip() {
  auto text = statusDescription();
  std::string labels;
  for (const auto& device : snapshot_.devices) {
    if (!labels.empty()) labels += " \u00B7 ";
    labels += Settings::deviceName(device.unitID, device.name, defaults_).value_or(device.name);
    if (device.battery) labels += " " + std::to_string(device.battery->percent) + "%";
  }
  if (!labels.empty()) text += " \u2014 " + labels;
  context_->updateStatusToolTip(text);
}

void FlitbarApplication::refreshWheelDiversion() {
  if (!engine_) return;
  if (snapshot_.lastError || snapshot_.devices.empty()) {
    ++deviceSetRevision_;
    deviceSetKey_.reset();
    wheelDiversion_.reset();
    return;
  }
  std::string key;
  for (const auto& device : snapshot_.devices) key += (key.empty() ? "" : ",") + deviceToken(device);
  if (key == deviceSetKey_) return;
  const auto revision = ++deviceSetRevision_;
  deviceSetKey_ = key;
  wheelDiversion_.reset();
  engine_->divertedWheel(guarded([this, revision](std::optional<WheelDiversion> found) {
    // An answer about a device set that has changed since is no answer at all.
    if (deviceSetRevision_ != revision) return;
    wheelDiversion_ = std::move(found);
    if (wheelDiversion_) refreshPanel();
  }));
}

}  // namespace flitbar
