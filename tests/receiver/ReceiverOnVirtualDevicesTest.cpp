// The receiver layer through real transports against virtual devices, opened the way the command
// line opens a receiver.
#include "protocol/HIDPPTransport.h"
#include "protocol/Receiver.h"
#include "virtual/InProcessHidBackend.h"
#include "virtual/WorldScript.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

using virtualhid::VirtualWorld;

OpenedReceiver openVirtual(const std::shared_ptr<VirtualWorld>& world, const std::string& computer) {
  virtualhid::InProcessHidBackend backend(world, computer);
  return Receiver::openFirstResponding(
      backend, [](std::unique_ptr<HidDevice> device) { return std::make_shared<HIDPPTransport>(std::move(device)); });
}

std::shared_ptr<VirtualWorld> makeWorld(const std::string& rig) {
  return std::make_shared<VirtualWorld>(virtualhid::testing::loadRig(rig));
}

// Slot 1 has every feature discovery reads; slot 4 names its hosts but cannot change host; slot 5
// fails its name and has a host outside the world.
TEST(ReceiverOnVirtualDevices, DiscoveryListsEveryReachableSlotWithWhatItAnswered) {
  const auto world = makeWorld(R"({"computers": [{"id": "a", "name": "alpha"}, {"id": "b", "name": "beta"}],
      "devices": [{"id": "k", "slot": 1, "name": "K850", "unitId": "11:22:33:44", "hosts": ["b", "a"], "currentHost": 2,
                   "battery": {"features": ["status"], "percent": 60, "charging": true}, "controls": [{"cid": 210}]},
                  {"id": "m", "slot": 4, "name": "M", "hosts": ["a"], "changeHost": false, "hostsInfo": true},
                  {"id": "n", "slot": 5, "name": "N", "hosts": ["a", null], "battery": {"percent": 40}}]})");
  virtualhid::ControlCommands(*world).run({"fault", "error", "n", "0x0005", "5"});
  const auto opened = openVirtual(world, "a");
  const auto none = std::nullopt;
  EXPECT_EQ(opened.devices,
            (std::vector<DeviceInfo>{{1, "K850", 0x05, 2, 1, 0x07, "11:22:33:44",
                                      std::vector<std::string>{"beta", "alpha"}, DeviceBattery{60, true}},
                                     {4, "M", none, 0, 0, none, none, none, none},
                                     {5, "(unknown)", 0x04, 2, 0, none, none, std::vector<std::string>{"alpha", ""},
                                      DeviceBattery{40, false}}}));
  opened.session->stop();
}

}  // namespace
}  // namespace flitbar
