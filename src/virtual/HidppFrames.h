#pragma once

#include "virtual/VirtualRig.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

// The report shapes a receiver and its devices put on the wire.
namespace flitbar::virtualhid::frames {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t shortReportId = 0x10;
inline constexpr std::uint8_t longReportId = 0x11;
inline constexpr std::size_t shortLength = 7;
inline constexpr std::size_t longLength = 20;
inline constexpr std::uint8_t hidpp10ErrorSubId = 0x8F;
inline constexpr std::uint8_t hidpp20ErrorIndex = 0xFF;
inline constexpr std::uint8_t connectionSubId = 0x41;

// HID++ 1.0 error codes the receiver answers for its slots.
inline constexpr std::uint8_t errorInvalidSubId = 0x01;
inline constexpr std::uint8_t errorInvalidAddress = 0x02;
inline constexpr std::uint8_t errorUnknownDevice = 0x08;
inline constexpr std::uint8_t errorResourceError = 0x09;

// HID++ 2.0 error codes a device answers.
inline constexpr std::uint8_t errorInvalidArgument = 0x02;
inline constexpr std::uint8_t errorInvalidFeatureIndex = 0x06;
inline constexpr std::uint8_t errorInvalidFunction = 0x07;

// A 7-byte report with id 0x10 or a 20-byte report with id 0x11.
bool isWellFormed(std::span<const std::uint8_t> report);

// A long report: id 0x11, device, feature index, function and software id, 16 parameter bytes.
Bytes longReport(std::uint8_t device, std::uint8_t featureIndex, std::uint8_t functionByte,
                 const std::array<std::uint8_t, 16>& params);

// [0x11, device, 0xFF, feature index, byte 3 of the request, code, zero padding] (20 bytes).
Bytes hidpp20Error(std::span<const std::uint8_t> request, std::uint8_t code);

// [0x10, device, 0x8F, byte 2 and byte 3 of the request, code, 0x00] (7 bytes).
Bytes hidpp10Error(std::span<const std::uint8_t> request, std::uint8_t code);

// [0x10, device, 0x41, protocol, flags, wpid low, wpid high]; flags carry the device type in the
// low nibble and bit 6 set while the link is not established.
Bytes connectionNotice(std::uint8_t device, ReceiverKind receiver, DeviceKind kind, bool linkEstablished,
                       std::uint16_t wpid);

}  // namespace flitbar::virtualhid::frames
