#pragma once

#include "protocol/HIDPPTransport.h"
#include "protocol/Receiver.h"
#include "virtual/InProcessHidBackend.h"
#include "virtual/VirtualRig.h"
#include "virtual/VirtualWorld.h"

#include <nlohmann/json.hpp>

namespace flitbar::testing {

// A world built from rig JSON, with every delay at zero.
inline std::shared_ptr<virtualhid::VirtualWorld> makeWorld(nlohmann::json rig) {
  rig["timing"] = {{"answerMs", 0}, {"receiverErrorMs", 0}, {"departureNoticeMs", 0}, {"arrivalMs", 0}};
  return std::make_shared<virtualhid::VirtualWorld>(virtualhid::VirtualRig::fromJson(rig));
}

// Opens a computer's receiver the way the command line does, through real transports.
inline OpenedReceiver openVirtual(const std::shared_ptr<virtualhid::VirtualWorld>& world, const std::string& computer) {
  virtualhid::InProcessHidBackend backend(world, computer);
  return Receiver::openFirstResponding(
      backend, [](std::unique_ptr<HidDevice> device) { return std::make_shared<HIDPPTransport>(std::move(device)); });
}

inline nlohmann::json computers(int count) {
  const char* names[] = {"studio-desktop", "travel-laptop", "office-pc"};
  auto list = nlohmann::json::array();
  for (int i = 0; i < count; ++i)
    list.push_back({{"id", "host" + std::to_string(i + 1)}, {"name", names[i]}, {"receiver", "bolt"}});
  return list;
}

}  // namespace flitbar::testing
