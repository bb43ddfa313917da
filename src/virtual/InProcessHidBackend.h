#pragma once

#include "protocol/HidBackend.h"
#include "virtual/VirtualWorld.h"

#include <memory>
#include <string>

namespace flitbar::virtualhid {

// HID discovery as one computer of a VirtualWorld sees it: its receiver's single vendor
// interface (vendor 0x046D, the receiver's product id, usage page 0xFF00).
class InProcessHidBackend : public HidBackend {
 public:
  InProcessHidBackend(std::shared_ptr<VirtualWorld> world, std::string computer);

  std::vector<HidInterface> vendorInterfaces() override;
  // Throws HIDPPError::openFailed(ENOENT) for an interface this backend did not list.
  std::unique_ptr<HidDevice> open(const HidInterface& interface) override;

  // The path the computer's interface is listed under.
  static std::string interfacePath(const std::string& computer);

 private:
  std::shared_ptr<VirtualWorld> world_;
  std::string computer_;
};

}  // namespace flitbar::virtualhid
