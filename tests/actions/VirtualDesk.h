#pragma once

#include "cli/CLIEnvironment.h"
#include "cli/CommandResult.h"
#include "protocol/HIDPPTransport.h"
#include "protocol/Receiver.h"
#include "virtual/InProcessHidBackend.h"
#include "virtual/VirtualRig.h"
#include "virtual/VirtualWorld.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <memory>
#include <ostream>
#include <string>

namespace flitbar {

// Readable failures for command results.
inline void PrintTo(const CommandResult& result, std::ostream* out) {
  *out << "status " << result.status << ", out \"" << result.standardOutput << "\", err \"" << result.standardError
       << "\"";
}

}  // namespace flitbar

namespace flitbar::testing {

// A world of virtual computers whose receivers open in-process, answering without delay.
class VirtualDesk {
 public:
  explicit VirtualDesk(const std::string& rigFile = "default.json")
      : VirtualDesk(virtualhid::VirtualRig::load(std::string(FLITBAR_SOURCE_DIR) + "/src/virtual/rigs/" + rigFile)) {}
  explicit VirtualDesk(virtualhid::VirtualRig rig)
      : world(std::make_shared<virtualhid::VirtualWorld>(zeroTiming(rig))) {}

  // Opens the receiver of `computer` the way the application does, devices discovered.
  OpenedReceiver open(const std::string& computer = "host1") const {
    virtualhid::InProcessHidBackend backend(world, computer);
    return Receiver::openFirstResponding(
        backend, [](std::unique_ptr<HidDevice> device) { return std::make_shared<HIDPPTransport>(std::move(device)); });
  }

  // A command-line environment on `computer` with no menu-bar application running.
  CLIEnvironment environment(const std::string& computer = "host1") const {
    return {[this, computer] { return open(computer); }, [] { return false; }, [](std::uint8_t) { return false; }};
  }

  // The state of one control of a device, as the device model holds it.
  nlohmann::json control(const std::string& device, std::uint16_t cid) const {
    const auto state = world->state();
    const std::string wanted = fmt::format("0x{:04X}", cid);
    for (const auto& entry : state.at("devices")) {
      if (entry.at("id") != device) continue;
      for (const auto& control : entry.at("controls")) {
        if (control.at("cid") == wanted) return control;
      }
    }
    return nullptr;
  }
  bool diverted(const std::string& device, std::uint16_t cid) const { return control(device, cid).at("diverted"); }

  std::shared_ptr<virtualhid::VirtualWorld> world;

 private:
  static virtualhid::VirtualRig zeroTiming(virtualhid::VirtualRig rig) {
    rig.timing = virtualhid::RigTiming{0, 0, 0, 0};
    return rig;
  }
};

// Writes a set-reporting request for one control (flags and remap as given) and waits for it.
inline void setReporting(ReceiverSession& session, std::uint8_t device, std::uint8_t feature, std::uint16_t cid,
                         std::uint8_t flags, std::uint16_t remap) {
  session.transport().exchange(device, feature, 3,
                               {static_cast<std::uint8_t>(cid >> 8), static_cast<std::uint8_t>(cid & 0xFF), flags,
                                static_cast<std::uint8_t>(remap >> 8), static_cast<std::uint8_t>(remap & 0xFF)},
                               true, 0.8);
}

}  // namespace flitbar::testing
