#include "virtual/HidppFrames.h"

namespace flitbar::virtualhid::frames {

bool isWellFormed(std::span<const std::uint8_t> report) {
  if (report.empty()) return false;
  return (report[0] == shortReportId && report.size() == shortLength) ||
         (report[0] == longReportId && report.size() == longLength);
}

Bytes longReport(std::uint8_t device, std::uint8_t featureIndex, std::uint8_t functionByte,
                 const std::array<std::uint8_t, 16>& params) {
  Bytes report{longReportId, device, featureIndex, functionByte};
  report.insert(report.end(), params.begin(), params.end());
  return report;
}

Bytes hidpp20Error(std::span<const std::uint8_t> request, std::uint8_t code) {
  Bytes report(longLength, 0);
  report[0] = longReportId;
  report[1] = request[1];
  report[2] = hidpp20ErrorIndex;
  report[3] = request[2];
  report[4] = request[3];
  report[5] = code;
  return report;
}

Bytes hidpp10Error(std::span<const std::uint8_t> request, std::uint8_t code) {
  return {shortReportId, request[1], hidpp10ErrorSubId, request[2], request[3], code, 0x00};
}

Bytes connectionNotice(std::uint8_t device, ReceiverKind receiver, DeviceKind kind, bool linkEstablished,
                       std::uint16_t wpid) {
  const std::uint8_t protocol = receiver == ReceiverKind::unifying ? 0x04 : 0x10;
  const std::uint8_t deviceType = kind == DeviceKind::keyboard ? 0x01 : 0x02;
  const std::uint8_t flags = static_cast<std::uint8_t>(deviceType | (linkEstablished ? 0x00 : 0x40));
  return {shortReportId,
          device,
          connectionSubId,
          protocol,
          flags,
          static_cast<std::uint8_t>(wpid & 0xFF),
          static_cast<std::uint8_t>(wpid >> 8)};
}

}  // namespace flitbar::virtualhid::frames
