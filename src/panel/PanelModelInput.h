#pragma once

#include "config/UserDefaults.h"
#include "engine/EngineSnapshot.h"
#include "engine/WheelDiversion.h"
#include "panel/PanelActions.h"
#include "panel/PanelSymbol.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace flitbar {

// Everything the panel's entries are built from: the application's state and queries at the moment
// of the request, the user's settings and the actions the entries carry.
struct PanelModelInput {
  std::string applicationName;
  EngineSnapshot snapshot;
  // The host count and this computer's host, kept from the last snapshot with devices while every
  // device is away.
  int effectiveHostCount = 0;
  std::optional<int> effectiveThisHost;
  // The user's or the devices' name for a host between curly quotes, else "host N".
  std::function<std::string(int host)> hostLabel;
  PanelSymbol thisComputerSymbol;
  // The vendor's own device manager runs and fights for the receiver.
  bool vendorAgentRunning = false;
  bool differentiateWithoutColor = false;
  std::optional<WheelDiversion> wheelDiversion;
  std::int64_t deviceSetRevision = 0;
  bool wheelWriteInProgress = false;
  std::optional<int> editingHost;
  std::optional<std::string> editingDeviceKey;
  PanelActions actions;
};

}  // namespace flitbar
