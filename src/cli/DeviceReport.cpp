#include "cli/DeviceReport.h"

#include <nlohmann/json.hpp>

namespace flitbar::DeviceReport {

std::string json(const std::vector<DeviceInfo>& devices) {
  // nlohmann::json keeps object keys sorted.
  auto reports = nlohmann::json::array();
  for (const auto& device : devices) {
    nlohmann::json report{{"index", device.index}, {"name", device.name}};
    if (device.unitID) report["unitId"] = *device.unitID;
    if (device.changeHostFeature) {
      report["host"] = device.currentHost;
      report["hostCount"] = device.hostCount;
    }
    if (device.battery) {
      report["batteryPercent"] = device.battery->percent;
      report["charging"] = device.battery->charging;
    }
    if (device.hostNames) report["hostNames"] = *device.hostNames;
    reports.push_back(std::move(report));
  }
  return reports.dump(2) + "\n";
}

}  // namespace flitbar::DeviceReport
