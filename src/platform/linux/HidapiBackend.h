#pragma once

#include "protocol/HidBackend.h"

#include <memory>

namespace flitbar {

// Real receivers: hidapi (hidraw) finds the vendor interfaces; each is opened as a HidrawDevice.
//
// hidapi's process-wide state is set up when the first backend is made and torn down when the
// last one goes, so any number of backends may exist, on any threads.
class HidapiBackend final : public HidBackend {
public:
  HidapiBackend();
  ~HidapiBackend() override;

  // Interfaces of vendor 0x046D with usage page 0xFF00, in hidapi's order. Throws noReceiver when
  // there is none.
  std::vector<HidInterface> vendorInterfaces() override;

  // Opens the hidraw node shared. Throws openFailed(errno); EACCES means the user has no access
  // to the node (the udev rule is missing).
  std::unique_ptr<HidDevice> open(const HidInterface& interface) override;

private:
  class Library;
  std::shared_ptr<Library> library_;
};

}  // namespace flitbar
