#include "virtual/InProcessHidBackend.h"

#include "protocol/HIDPPError.h"
#include "virtual/InProcessHidDevice.h"
#include "virtual/SilentHidDevice.h"

#include <cerrno>

namespace flitbar::virtualhid {

namespace {

constexpr std::uint16_t logitech = 0x046D;
constexpr std::uint16_t unifyingReceiver = 0xC52B;
constexpr std::uint16_t boltReceiver = 0xC548;
constexpr std::uint16_t vendorUsagePage = 0xFF00;

}  // namespace

InProcessHidBackend::InProcessHidBackend(std::shared_ptr<VirtualWorld> world, std::string computer)
    : world_(std::move(world)), computer_(std::move(computer)) {
  world_->computer(computer_);  // refuses an unknown computer at once
}

std::string InProcessHidBackend::interfacePath(const std::string& computer) {
  return "virtual:" + computer + "/receiver";
}

std::string InProcessHidBackend::extraInterfacePath(const std::string& computer, int number) {
  return interfacePath(computer) + "-extra" + std::to_string(number);
}

std::vector<HidInterface> InProcessHidBackend::vendorInterfaces() {
  const auto& computer = world_->computer(computer_);
  const auto product = computer.receiver == ReceiverKind::bolt ? boltReceiver : unifyingReceiver;
  std::vector<HidInterface> interfaces;
  for (int number = 1; number <= computer.extraInterfaces; ++number) {
    interfaces.push_back(HidInterface{extraInterfacePath(computer_, number), logitech, product, vendorUsagePage});
  }
  interfaces.push_back(HidInterface{interfacePath(computer_), logitech, product, vendorUsagePage});
  return interfaces;
}

std::unique_ptr<HidDevice> InProcessHidBackend::open(const HidInterface& interface) {
  if (world_->refusesOpen(computer_)) throw HIDPPError::openFailed(ECONNREFUSED);
  if (interface.path == interfacePath(computer_)) return std::make_unique<InProcessHidDevice>(world_, computer_);
  for (int number = 1; number <= world_->computer(computer_).extraInterfaces; ++number) {
    if (interface.path == extraInterfacePath(computer_, number)) return std::make_unique<SilentHidDevice>();
  }
  throw HIDPPError::openFailed(ENOENT);
}

}  // namespace flitbar::virtualhid
