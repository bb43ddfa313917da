#include "protocol/ReceiverSession.h"

#include "protocol/HIDPPError.h"
#include "protocol/HidppReport.h"

#include <chrono>
#include <thread>

namespace flitbar {

void ReceiverSession::setDivert(std::uint8_t device, std::uint8_t reprogFeature, std::uint16_t cid, bool divert) {
  const std::uint8_t flags = (divert ? 0x01 : 0x00) | 0x02;
  Report report(HidppReport::longLength, 0);
  report[0] = HidppReport::longId;
  report[1] = device;
  report[2] = reprogFeature;
  report[3] = HidppReport::functionByte(3);
  report[4] = static_cast<std::uint8_t>(cid >> 8);
  report[5] = static_cast<std::uint8_t>(cid & 0xFF);
  report[6] = flags;
  try {
    transport().send(report);
  } catch (const HIDPPError&) {
    // The caller reads the reporting back; a lost write shows up there.
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

}  // namespace flitbar
