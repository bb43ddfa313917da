#include "protocol/HIDPPError.h"

#include <fmt/format.h>

namespace flitbar {

HIDPPError::HIDPPError(Kind kind, std::string description, std::int32_t code, std::uint8_t device)
    : kind_(kind), description_(std::move(description)), code_(code), device_(device) {}

HIDPPError HIDPPError::silentReceiver(int interfaceCount) {
  return {Kind::silentReceiver,
          fmt::format("Receiver found ({} {}) but no devices answered \u2014 grant receiver access.",
                      interfaceCount, interfaceCount == 1 ? "interface" : "interfaces"),
          interfaceCount};
}

HIDPPError HIDPPError::openFailed(std::int32_t code) {
  return {Kind::openFailed,
          fmt::format("Could not open the receiver (errno 0x{:08X}).", static_cast<std::uint32_t>(code)), code};
}

HIDPPError HIDPPError::timeout(std::uint8_t device) {
  return {Kind::timeout, fmt::format("Device 0x{:02X} did not answer.", device), 0, device};
}

HIDPPError HIDPPError::deviceError(std::uint8_t device, std::uint8_t code) {
  return {Kind::deviceError, fmt::format("Device 0x{:02X} returned HID++ error 0x{:02X}.", device, code), code,
          device};
}

HIDPPError HIDPPError::unsupported(std::string text) { return {Kind::unsupported, std::move(text)}; }

HIDPPError HIDPPError::writeFailed(std::int32_t code) {
  return {Kind::writeFailed,
          fmt::format("Could not write to the receiver (errno 0x{:08X}).", static_cast<std::uint32_t>(code)),
          code};
}

HIDPPError HIDPPError::noReceiver() {
  return {Kind::noReceiver, "No Logitech receiver found. Plug in the Unifying/Bolt dongle."};
}

HIDPPError HIDPPError::accessDenied() { return {Kind::accessDenied, "Receiver access permission needed."}; }

HIDPPError HIDPPError::stopped() { return {Kind::stopped, "Receiver transport stopped."}; }

HIDPPError HIDPPError::malformedResponse() {
  return {Kind::malformedResponse, "Receiver returned an incomplete or invalid HID++ response."};
}

}  // namespace flitbar
