#pragma once

#include "protocol/HIDPPTransporting.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace flitbar::HidppReport {

inline constexpr std::uint8_t shortId = 0x10;
inline constexpr std::size_t shortLength = 7;
inline constexpr std::uint8_t longId = 0x11;
inline constexpr std::size_t longLength = 20;
inline constexpr std::uint8_t softwareId = 0x0A;

// Byte 3 of a request: the function number in the high nibble, our software id in the low one.
constexpr std::uint8_t functionByte(std::uint8_t function) {
  return static_cast<std::uint8_t>((function << 4) | softwareId);
}

bool isWellFormed(const Report& report);
bool isLong(const Report& report);

// Throw HIDPPError::malformedResponse unless the report is well-formed (or a long report).
void requireWellFormed(const Report& report);
void requireLong(const Report& report);

// Device text: cut at the first zero byte, spaces and tabs trimmed from both ends, decoded as
// UTF-8 with invalid sequences and control characters (C0, DEL, C1, so newlines and inner tabs
// too) each replaced by U+FFFD. The result is safe to print on a terminal or write to a log.
std::string decodeText(const Report& bytes);

}  // namespace flitbar::HidppReport
