#pragma once

#include <cstdint>

namespace flitbar {

// The command line's side of the switch request relay: while the menu-bar application runs it
// owns the receiver, so `switch` hands the request to it instead.
class SwitchRelay {
 public:
  virtual ~SwitchRelay() = default;

  // True only when another process is the running menu-bar application.
  virtual bool isGUIRunning() = 0;
  // Asks the running application to move every capable device to `host` (1..3); true when the
  // application accepted the request.
  virtual bool send(std::uint8_t host) = 0;
};

}  // namespace flitbar
