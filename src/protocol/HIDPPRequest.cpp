#include "protocol/HIDPPRequest.h"

#include <algorithm>

namespace flitbar {
namespace {

constexpr std::uint8_t shortReportId = 0x10;
constexpr std::uint8_t longReportId = 0x11;
constexpr std::size_t shortReportLength = 7;
constexpr std::size_t longReportLength = 20;
constexpr std::size_t headerLength = 4;
constexpr std::uint8_t hidpp10ErrorFrame = 0x8F;
constexpr std::uint8_t hidpp20ErrorFrame = 0xFF;

}  // namespace

bool isWellFormedHIDPPReport(std::span<const std::uint8_t> report) {
  if (report.empty()) return false;
  return (report[0] == shortReportId && report.size() == shortReportLength) ||
         (report[0] == longReportId && report.size() == longReportLength);
}

std::uint8_t HIDPPRequest::functionByte() const {
  return static_cast<std::uint8_t>((function << 4) | (softwareId & 0x0F));
}

Report HIDPPRequest::bytes() const {
  const std::size_t length = longReport ? longReportLength : shortReportLength;
  Report report{longReport ? longReportId : shortReportId, device, feature, functionByte()};
  report.reserve(length);
  const std::size_t carried = std::min(params.size(), length - headerLength);
  report.insert(report.end(), params.begin(), params.begin() + static_cast<std::ptrdiff_t>(carried));
  report.resize(length, 0);
  return report;
}

bool HIDPPRequest::echoMatches(std::span<const std::uint8_t> report) const {
  const auto sent = bytes();
  const std::size_t count = std::min(echoed, sent.size() - headerLength);
  if (report.size() < headerLength + count) return false;
  return std::equal(sent.begin() + headerLength, sent.begin() + static_cast<std::ptrdiff_t>(headerLength + count),
                    report.begin() + headerLength);
}

HIDPPRequest::Reply HIDPPRequest::classify(std::span<const std::uint8_t> report) const {
  if (!isWellFormedHIDPPReport(report) || report[1] != device) return Reply::unrelated;
  if (report[2] == hidpp10ErrorFrame || report[2] == hidpp20ErrorFrame) {
    return report[3] == feature && report[4] == functionByte() ? Reply::errorFrame : Reply::unrelated;
  }
  const bool answersUs = report[2] == feature && report[3] == functionByte() && echoMatches(report);
  return answersUs ? Reply::response : Reply::unrelated;
}

}  // namespace flitbar
