#pragma once

#include "cli/SwitchRelay.h"
#include "protocol/ReceiverSession.h"

#include <cstdint>
#include <functional>

namespace flitbar {

// What the receiver commands need from the world, each replaceable in tests.
struct CLIEnvironment {
  // Opens the receiver and discovers its devices. Throws HIDPPError.
  std::function<OpenedReceiver()> openReceiver;
  std::function<bool()> isGUIRunning;
  // True when the running application accepted the request.
  std::function<bool(std::uint8_t host)> requestSwitch;

  // The real receiver and the given relay (which must outlive the environment).
  static CLIEnvironment live(SwitchRelay& relay);
};

}  // namespace flitbar
