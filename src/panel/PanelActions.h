#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace flitbar {

// What the panel's entries may ask of the application. Each one runs on the main thread and does
// nothing once the application is gone; the application refreshes the panel where state changed.
struct PanelActions {
  std::function<void(int host)> switchAll;
  std::function<void(int host)> setDestination;
  std::function<void(int host, bool hidden)> setHost;
  std::function<void(std::int64_t revision)> rescueWheel;
  // "Retry": reconnect and reload the bindings.
  std::function<void()> reload;
  std::function<void()> quitVendorAgents;
  std::function<void()> grantAccess;
  // Writes both lock and follow switches.
  std::function<void(bool on)> setRavezOzururiza;
  std::function<void(int host)> startEditingHost;
  std::function<void(const std::string& deviceKey)> startEditingDevice;
  // Stores the name (a blank one clears it) and ends the edit.
  std::function<void(int host, const std::string& name)> commitHostName;
  std::function<void(const std::optional<std::string>& unitID, const std::string& deviceName, const std::string& name)>
      commitDeviceName;
  // Ends any edit and keeps the stored names.
  std::function<void()> cancelEditing;
};

}  // namespace flitbar
