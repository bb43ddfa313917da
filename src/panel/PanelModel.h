#pragma once

#include "config/UserDefaults.h"
#include "panel/PanelEntry.h"
#include "panel/PanelModelInput.h"

#include <vector>

namespace flitbar {

// Builds the status panel's entries from the application's state: status, hosts, devices, wheel
// rescue, configuration issues and the footer. Nothing is kept between requests.
class PanelModel {
 public:
  PanelModel(const PanelModelInput& input, const UserDefaults& defaults) : input_(input), defaults_(defaults) {}

  std::vector<PanelEntry> content() const;

  std::vector<PanelEntry> statusEntries() const;
  PanelRow hostsHeader() const;
  std::vector<PanelEntry> hostEntries() const;
  PanelRow devicesHeader() const;
  std::vector<PanelEntry> deviceEntries() const;
  std::vector<PanelDetail> deviceBatteryDetails() const;
  std::vector<PanelEntry> rescueEntries() const;
  // 1 to the host count, without hidden hosts but always with this computer's own.
  std::vector<int> visibleHosts() const;

 private:
  // Running and healthy with no device present: every device is on another computer.
  bool allDevicesAway() const;
  std::string hostDisplayName(int host) const;
  PanelRow hostRow(int host, bool hasOtherHosts, std::size_t listedHosts) const;
  std::vector<PanelEntry> hostExpansion(int host, bool hasOtherHosts, std::size_t listedHosts) const;
  PanelRow deviceRow(const DeviceInfo& device) const;
  PanelEntry ravezOzururizaToggle() const;

  const PanelModelInput& input_;
  const UserDefaults& defaults_;
};

}  // namespace flitbar
