#pragma once

#include "protocol/HidBackend.h"
#include "virtual/VirtualWorld.h"

#include <memory>
#include <string>

namespace flitbar::virtualhid {

// HID discovery as one computer of a VirtualWorld sees it: its receiver's vendor interfaces
// (vendor 0x046D, the receiver's product id, usage page 0xFF00), sorted by path: the silent extra
// interfaces the rig gives the computer, then the one that answers.
class InProcessHidBackend : public HidBackend {
 public:
  InProcessHidBackend(std::shared_ptr<VirtualWorld> world, std::string computer);

  std::vector<HidInterface> vendorInterfaces() override;
  // Throws HIDPPError::openFailed: ENOENT for an interface this backend did not list,
  // ECONNREFUSED while the world refuses opening the computer's receiver.
  std::unique_ptr<HidDevice> open(const HidInterface& interface) override;

  // The paths the computer's interfaces are listed under; extra interfaces are numbered from 1.
  static std::string interfacePath(const std::string& computer);
  static std::string extraInterfacePath(const std::string& computer, int number);

 private:
  std::shared_ptr<VirtualWorld> world_;
  std::string computer_;
};

}  // namespace flitbar::virtualhid
