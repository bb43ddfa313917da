#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace flitbar {

// Every failure of the HID++ layer, each with the one text the user sees.
class HIDPPError : public std::exception {
public:
  enum class Kind {
    silentReceiver,
    openFailed,
    timeout,
    deviceError,
    unsupported,
    writeFailed,
    noReceiver,
    accessDenied,
    stopped,
    malformedResponse,
  };

  static HIDPPError silentReceiver(int interfaceCount);
  // On Linux the code is the errno of the failed open.
  static HIDPPError openFailed(std::int32_t code);
  static HIDPPError timeout(std::uint8_t device);
  static HIDPPError deviceError(std::uint8_t device, std::uint8_t code);
  static HIDPPError unsupported(std::string text);
  static HIDPPError writeFailed(std::int32_t code);
  static HIDPPError noReceiver();
  static HIDPPError accessDenied();
  static HIDPPError stopped();
  static HIDPPError malformedResponse();

  Kind kind() const { return kind_; }
  // Payloads: the interface count, errno, device index or error code as the kind defines.
  std::int32_t code() const { return code_; }
  std::uint8_t device() const { return device_; }
  const std::string& description() const { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

  bool operator==(const HIDPPError& other) const {
    return kind_ == other.kind_ && code_ == other.code_ && device_ == other.device_ &&
           description_ == other.description_;
  }

private:
  HIDPPError(Kind kind, std::string description, std::int32_t code = 0, std::uint8_t device = 0);

  Kind kind_;
  std::string description_;
  std::int32_t code_;
  std::uint8_t device_;
};

}  // namespace flitbar
