#include "panel/PanelModel.h"

#include "config/Settings.h"
#include "panel/DeviceRow.h"
#include "panel/HostSymbol.h"
#include "protocol/HostNaming.h"

#include <algorithm>

namespace flitbar {

namespace {

using Lifecycle = EngineSnapshot::Lifecycle;
using Problem = EngineSnapshot::Problem;

std::string problemTitle(const std::optional<Problem>& problem) {
  if (!problem) return "Connection Error";
  switch (*problem) {
    case Problem::noReceiver:
      return "No Devices Detected…";
    case Problem::accessDenied:
      return "Access Needed";
    case Problem::silentReceiver:
      return "No Response";
    case Problem::other:
      break;
  }
  return "Connection Error";
}

PanelEntry text(std::string line, bool secondary = false) { return {PanelText{std::move(line), secondary}}; }

std::string configIssueLine(const ConfigIssue& issue) {
  if (!issue.entry) return "⚠ " + issue.message;
  return "⚠ binding " + std::to_string(*issue.entry + 1) + ": " + issue.message;
}

std::string batteryText(const DeviceBattery& battery, const std::string& prefix, bool sayCharging) {
  const char* suffix = sayCharging && battery.charging ? "% charging" : "%";
  return prefix + std::to_string(battery.percent) + suffix;
}

std::optional<PanelTint> batteryTint(const DeviceBattery& battery) {
  if (DeviceRow::isBatteryLow(battery)) return PanelTint::alert;
  return std::nullopt;
}

}  // namespace

std::vector<PanelEntry> PanelModel::content() const {
  const auto& snapshot = input_.snapshot;
  std::vector<PanelEntry> entries{{PanelTitle{input_.applicationName}}};
  for (auto& entry : statusEntries()) entries.push_back(std::move(entry));
  const bool showsDevices = !snapshot.lastError && snapshot.lifecycle != Lifecycle::starting &&
                            !snapshot.movingToHost &&
                            (!snapshot.devices.empty() || snapshot.lifecycle == Lifecycle::running);
  if (showsDevices) {
    entries.push_back({PanelSeparator{}});
    entries.push_back({hostsHeader()});
    entries.push_back({devicesHeader()});
  }
  for (auto& entry : rescueEntries()) entries.push_back(std::move(entry));
  for (const auto& issue : snapshot.configIssues) entries.push_back(text(configIssueLine(issue), true));
  entries.push_back({PanelFooterSeparator{}});
  entries.push_back(ravezOzururizaToggle());
  return entries;
}

std::vector<PanelEntry> PanelModel::statusEntries() const {
  const auto& snapshot = input_.snapshot;
  const auto& actions = input_.actions;
  if (snapshot.lastError) {
    PanelButtons buttons;
    if (input_.vendorAgentRunning)
      buttons.buttons.push_back({"Quit Logi Options+", true, {}, actions.quitVendorAgents});
    if (snapshot.problem == Problem::accessDenied || snapshot.problem == Problem::silentReceiver) {
      buttons.buttons.push_back({"Grant Access…", true, {}, actions.grantAccess});
    }
    buttons.buttons.push_back({"Retry", true, {}, actions.reload});
    return {text(problemTitle(snapshot.problem)), {std::move(buttons)}};
  }
  if (snapshot.lifecycle == Lifecycle::starting) return {text("Connecting…")};
  if (snapshot.movingToHost) return {text("Moving to " + input_.hostLabel(*snapshot.movingToHost) + "…")};
  const bool stopped = snapshot.lifecycle == Lifecycle::stopped || snapshot.lifecycle == Lifecycle::stopping;
  if (stopped && snapshot.devices.empty()) return {text("No Devices Detected…")};
  return {};
}

PanelRow PanelModel::hostsHeader() const {
  PanelRow row;
  row.id = "hosts";
  row.text = "Hosts";
  row.isHeader = true;
  row.expansion = hostEntries();
  if (input_.effectiveThisHost) row.trailing = hostDisplayName(*input_.effectiveThisHost);
  return row;
}

std::vector<int> PanelModel::visibleHosts() const {
  const auto hidden = Settings::hiddenHosts(defaults_);
  std::vector<int> hosts;
  for (int host = 1; host <= input_.effectiveHostCount; ++host) {
    if (!hidden.contains(host) || host == input_.effectiveThisHost) hosts.push_back(host);
  }
  return hosts;
}

std::vector<PanelEntry> PanelModel::hostEntries() const {
  if (input_.effectiveHostCount < 1) return {};
  std::vector<int> listed;
  if (!allDevicesAway()) {
    listed = visibleHosts();
  } else if (input_.effectiveThisHost) {
    listed = {*input_.effectiveThisHost};
  }
  const bool hasOtherHosts =
      std::any_of(listed.begin(), listed.end(), [&](int host) { return host != input_.effectiveThisHost; });
  std::vector<PanelEntry> entries;
  for (int host : listed) entries.push_back({hostRow(host, hasOtherHosts, listed.size())});
  return entries;
}

PanelRow PanelModel::hostRow(int host, bool hasOtherHosts, std::size_t listedHosts) const {
  const auto& actions = input_.actions;
  const bool isThisHost = host == input_.effectiveThisHost;
  PanelRow row;
  row.id = "host-" + std::to_string(host);
  row.text = hostDisplayName(host);
  row.symbol = isThisHost ? input_.thisComputerSymbol : HostSymbol::other(row.text);
  row.isCurrent = isThisHost;
  if (!isThisHost) row.expansion = hostExpansion(host, hasOtherHosts, listedHosts);
  if (input_.editingHost == host) {
    const auto derived = HostNaming::name(input_.snapshot.devices, host);
    row.editingName = PanelNameEdit{
        Settings::hostName(host, defaults_).value_or(""), derived.value_or("Host " + std::to_string(host)),
        [commit = actions.commitHostName, host](const std::string& name) { commit(host, name); },
        actions.cancelEditing};
    return row;
  }
  row.doubleClickAction = [start = actions.startEditingHost, host] { start(host); };
  if (isThisHost) {
    row.toolTip = "Double-click to rename.";
  } else {
    row.action = [switchAll = actions.switchAll, host] { switchAll(host); };
    row.toolTip = "Move every device to " + input_.hostLabel(host) + " Double-click to rename.";
  }
  return row;
}

std::vector<PanelEntry> PanelModel::hostExpansion(int host, bool hasOtherHosts, std::size_t listedHosts) const {
  const auto& actions = input_.actions;
  const std::string id = "host-" + std::to_string(host);
  std::vector<PanelEntry> entries;
  if (hasOtherHosts && input_.snapshot.bindingSource == BindingSource::automatic) {
    PanelRow destination;
    destination.id = id + "-destination";
    destination.text = "Send Here on Lock";
    destination.isChecked = input_.snapshot.destinationHost == host;
    destination.action = [setDestination = actions.setDestination, host] { setDestination(host); };
    entries.push_back({std::move(destination)});
    entries.push_back({PanelSeparator{}});
  }
  if (listedHosts >= 3) {
    PanelRow remove;
    remove.id = id + "-remove";
    remove.text = "Remove from List";
    remove.action = [setHost = actions.setHost, host] { setHost(host, true); };
    entries.push_back({std::move(remove)});
  }
  return entries;
}

PanelRow PanelModel::devicesHeader() const {
  PanelRow row;
  row.id = "devices";
  row.text = "Devices";
  row.isHeader = true;
  if (!allDevicesAway()) {
    row.details = deviceBatteryDetails();
    row.expansion = deviceEntries();
  }
  return row;
}

std::vector<PanelDetail> PanelModel::deviceBatteryDetails() const {
  std::vector<PanelDetail> details;
  for (const auto& device : input_.snapshot.devices) {
    if (!device.battery) continue;
    const auto prefix = DeviceRow::batteryPrefix(device.battery, input_.differentiateWithoutColor);
    details.push_back({DeviceRow::symbol(device.name).name, batteryText(*device.battery, prefix, false),
                       batteryTint(*device.battery)});
  }
  return details;
}

std::vector<PanelEntry> PanelModel::deviceEntries() const {
  std::vector<PanelEntry> entries;
  for (const auto& device : input_.snapshot.devices) entries.push_back({deviceRow(device)});
  return entries;
}

PanelRow PanelModel::deviceRow(const DeviceInfo& device) const {
  const auto& actions = input_.actions;
  const auto key = Settings::deviceKey(device.unitID, device.name);
  const auto userName = Settings::deviceName(device.unitID, device.name, defaults_);
  PanelRow row;
  row.id = "device-" + key;
  row.text = userName.value_or(device.name);
  row.symbol = DeviceRow::symbol(device.name);
  if (device.battery) {
    const auto prefix = DeviceRow::batteryPrefix(device.battery, input_.differentiateWithoutColor);
    row.details.push_back({row.symbol->name, batteryText(*device.battery, prefix, true), batteryTint(*device.battery)});
  }
  if (input_.editingDeviceKey == key) {
    row.editingName = PanelNameEdit{userName.value_or(""), device.name,
                                    [commit = actions.commitDeviceName, unitID = device.unitID,
                                     name = device.name](const std::string& entered) { commit(unitID, name, entered); },
                                    actions.cancelEditing};
    return row;
  }
  row.action = [start = actions.startEditingDevice, key] { start(key); };
  row.toolTip = "Click to rename.";
  return row;
}

std::vector<PanelEntry> PanelModel::rescueEntries() const {
  if (!input_.wheelDiversion) return {};
  PanelButton restore{"Restore Wheel Scrolling",
                      !input_.wheelWriteInProgress,
                      {},
                      [rescue = input_.actions.rescueWheel, revision = input_.deviceSetRevision] { rescue(revision); }};
  return {{PanelSpacer{}},
          text(input_.wheelDiversion->deviceName +
               "’s wheel is diverted to a driver that isn’t running, so scrolling goes nowhere."),
          {PanelButtons{{std::move(restore)}}}};
}

PanelEntry PanelModel::ravezOzururizaToggle() const {
  const bool isOn = Settings::autoSwitchBoth(defaults_) || Settings::switchAwayWhenLocked(defaults_);
  return {PanelToggle{"Enable Ravez Ozururiza", isOn, true,
                      "Move every device when this computer locks, and when one drops off, follow it with the others.",
                      [set = input_.actions.setRavezOzururiza, isOn] { set(!isOn); }}};
}

bool PanelModel::allDevicesAway() const {
  const auto& snapshot = input_.snapshot;
  return snapshot.lifecycle == Lifecycle::running && !snapshot.lastError && !snapshot.movingToHost &&
         snapshot.devices.empty();
}

std::string PanelModel::hostDisplayName(int host) const {
  if (auto name = Settings::hostName(host, defaults_)) return *name;
  if (auto name = HostNaming::name(input_.snapshot.devices, host)) return *name;
  return "Host " + std::to_string(host);
}

}  // namespace flitbar
