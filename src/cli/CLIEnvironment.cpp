#include "cli/CLIEnvironment.h"

#include "platform/linux/LiveReceiver.h"

namespace flitbar {

CLIEnvironment CLIEnvironment::live(SwitchRelay& relay) {
  return {
      [] { return LiveReceiver::open(); },
      [&relay] { return relay.isGUIRunning(); },
      [&relay](std::uint8_t host) { return relay.send(host); },
  };
}

}  // namespace flitbar
