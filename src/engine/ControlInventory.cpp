#include "engine/ControlInventory.h"

#include <chrono>
#include <exception>

namespace flitbar::ControlInventory {

namespace {

// A device that stops answering part-way costs about this much, not one timeout per control.
constexpr auto deviceBudget = std::chrono::seconds(5);

}  // namespace

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
  const auto deadline = std::chrono::steady_clock::now() + deviceBudget;
  for (int position = 0; position < count && std::chrono::steady_clock::now() < deadline; ++position) {
    try {
      controls.push_back(receiver.controlInfo(device.index, *device.reprogFeature, position));
    } catch (const std::exception&) {
      // One unreadable control only shrinks the plan.
    }
  }
  return controls;
}

}  // namespace flitbar::ControlInventory
