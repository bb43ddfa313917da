#include "virtual/InProcessHidBackend.h"

#include "protocol/HIDPPError.h"
#include "virtual/InProcessHidDevice.h"

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

std::vector<HidInterface> InProcessHidBackend::vendorInterfaces() {
  const auto kind = world_->computer(computer_).receiver;
  return {HidInterface{interfacePath(computer_), logitech, kind == ReceiverKind::bolt ? boltReceiver : unifyingReceiver,
                       vendorUsagePage}};
}

std::unique_ptr<HidDevice> InProcessHidBackend::open(const HidInterface& interface) {
  if (interface.path != interfacePath(computer_)) throw HIDPPError::openFailed(ENOENT);
  return std::make_unique<InProcessHidDevice>(world_, computer_);
}

}  // namespace flitbar::virtualhid
