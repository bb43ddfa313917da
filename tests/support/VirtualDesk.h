#pragma once

#include "cli/CLIEnvironment.h"
#include "protocol/HIDPPTransport.h"
#include "protocol/Receiver.h"
#include "virtual/InProcessHidBackend.h"
#include "virtual/VirtualRig.h"
#include "virtual/VirtualWorld.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <memory>
#include <stdexcept>
#include <string>

namespace flitbar::testing {

// A world of virtual computers whose receivers open in-process and answer without delay.
class VirtualDesk {
 public:
  explicit VirtualDesk(const std::string& rigFile = "default.json") : VirtualDesk(rig(rigFile)) {}
  explicit VirtualDesk(virtualhid::VirtualRig rig) {
    rig.timing = virtualhid::RigTiming{0, 0, 0, 0};
    world = std::make_shared<virtualhid::VirtualWorld>(std::move(rig));
  }

  static virtualhid::VirtualRig rig(const std::string& file) {
    return virtualhid::VirtualRig::load(std::string(FLITBAR_SOURCE_DIR) + "/src/virtual/rigs/" + file);
  }

  // Opens the receiver of `computer` the way the application does, devices discovered.
  OpenedReceiver open(const std::string& computer = "host1") const {
    virtualhid::InProcessHidBackend backend(world, computer);
    return Receiver::openFirstResponding(
        backend, [](std::unique_ptr<HidDevice> device) { return std::make_shared<HIDPPTransport>(std::move(device)); });
  }
  // A command-line environment on `computer` with no tray application running.
  CLIEnvironment environment(const std::string& computer = "host1") const {
    return {[desk = *this, computer] { return desk.open(computer); }, [] { return false; },
            [](std::uint8_t) { return false; }};
  }

  // One device as the model holds it ("keyboard", "mouse").
  nlohmann::json device(const std::string& id) const {
    const auto state = world->state();
    for (const auto& entry : state.at("devices")) {
      if (entry.at("id") == id) return entry;
    }
    return nullptr;
  }
  std::string computerOf(const std::string& id) const { return device(id).at("computer"); }
  bool diverted(const std::string& id, std::uint16_t cid) const {
    const auto found = device(id);
    for (const auto& control : found.at("controls"))
      if (control.at("cid") == fmt::format("0x{:04X}", cid)) return control.at("diverted");
    throw std::out_of_range("no such control");
  }
  void click(const std::string& id, std::uint16_t cid) const {
    world->press(id, cid);
    world->release(id, cid);
  }

  std::shared_ptr<virtualhid::VirtualWorld> world;
};

}  // namespace flitbar::testing
