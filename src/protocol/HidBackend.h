#pragma once

#include "protocol/HidDevice.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace flitbar {

// A vendor-defined HID interface that may belong to a receiver.
struct HidInterface {
  std::string path;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::uint16_t usagePage = 0;

  bool operator==(const HidInterface&) const = default;
};

// Finds and opens receiver interfaces (vendor 0x046D, usage page 0xFF00).
class HidBackend {
public:
  virtual ~HidBackend() = default;

  // Every matching interface, in the backend's order.
  // Throws HIDPPError::openFailed when the HID layer cannot be used, noReceiver when nothing matches.
  virtual std::vector<HidInterface> vendorInterfaces() = 0;

  // Opens an interface shared (not seized). Throws HIDPPError::openFailed with the errno.
  virtual std::unique_ptr<HidDevice> open(const HidInterface& interface) = 0;
};

}  // namespace flitbar
