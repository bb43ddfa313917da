#pragma once

#include "protocol/HIDPPTransporting.h"

#include <cstdint>
#include <span>
#include <vector>

namespace flitbar {

// True for the only two input reports the transport accepts: 0x10 with 7 bytes, 0x11 with 20.
bool isWellFormedHIDPPReport(std::span<const std::uint8_t> report);

// One HID++ request as the transport writes it, and how an input report relates to it.
// Pure value logic: the transport feeds it bytes, tests feed it tables.
struct HIDPPRequest {
  std::uint8_t device = 0;
  std::uint8_t feature = 0;
  std::uint8_t function = 0;
  std::vector<std::uint8_t> params;
  bool longReport = false;
  // How many leading parameter bytes the device repeats at byte 4 of its answer (a control id, a
  // host index, a name offset); an answer that repeats others answers another request.
  std::size_t echoed = 0;
  // 1 to 15, chosen by the transport per request; device events carry 0.
  std::uint8_t softwareId = 0;

  enum class Reply { unrelated, response, errorFrame };

  // Byte 3: the function number in the high nibble, the software id in the low one.
  std::uint8_t functionByte() const;

  // [0x10 or 0x11, device, feature, function byte] then the parameters cut or zero-padded to
  // 3 (short) or 16 (long) bytes.
  Report bytes() const;

  // True when the answer repeats the echoed parameters (and is long enough to).
  bool echoMatches(std::span<const std::uint8_t> report) const;

  // How a well-formed input report answers this request: a response repeats device, feature,
  // function byte (so the software id) and the echoed parameters; an error frame (0x8F for
  // HID++ 1.0, 0xFF for 2.0) names our feature and function byte. Everything else is unrelated.
  Reply classify(std::span<const std::uint8_t> report) const;

  bool operator==(const HIDPPRequest&) const = default;
};

}  // namespace flitbar
