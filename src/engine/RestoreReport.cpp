#include "engine/RestoreReport.h"

#include <algorithm>

namespace flitbar {

bool RestoreReport::succeeded() const {
  return std::none_of(devices.begin(), devices.end(),
                      [](const RestoreDeviceResult& device) { return !device.failures.empty() || device.interrupted; });
}

std::string RestoreReport::summary() const {
  std::string text;
  for (const RestoreDeviceResult& device : devices) {
    if (!text.empty()) text += '\n';
    text += "device " + std::to_string(device.index) + " (" + device.name + "): ";
    if (device.unsupported) {
      text += "no reprogrammable controls";
    } else if (device.interrupted) {
      text += "interrupted";
    } else {
      text += "released " + std::to_string(device.released) + ", already released " +
              std::to_string(device.alreadyReleased);
      if (!device.failures.empty()) {
        text += ", failed " + std::to_string(device.failures.size()) + " [";
        for (std::size_t i = 0; i < device.failures.size(); ++i) text += (i ? "; " : "") + device.failures[i];
        text += "]";
      }
    }
  }
  return text;
}

}  // namespace flitbar
