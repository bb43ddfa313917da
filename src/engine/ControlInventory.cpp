#include "engine/ControlInventory.h"

#include <exception>

namespace flitbar::ControlInventory {

std::string cacheKey(const DeviceInfo& device) {
  if (device.unitID) return "unit:" + *device.unitID;
  return "slot:" + std::to_string(device.index) + ":" + device.name;
}

std::vector<ControlInfo> read(ReceiverSession& receiver, const DeviceInfo& device) {
  if (!device.reprogFeature) return {};
  int count = 0;
  try {
    count = receiver.controlCount(device.index, *device.reprogFeature);
  } catch (const std::exception&) {
    return {};
  }
  std::vector<ControlInfo> controls;
  for (int position = 0; position < count; ++position) {
    try {
      controls.push_back(receiver.controlInfo(device.index, *device.reprogFeature, position));
    } catch (const std::exception&) {
      // One unreadable control only shrinks the plan.
    }
  }
  return controls;
}

}  // namespace flitbar::ControlInventory
