#pragma once

#include "protocol/ControlInfo.h"
#include "protocol/DeviceBattery.h"
#include "protocol/DeviceInfo.h"
#include "protocol/Feature.h"
#include "protocol/HIDPPTransporting.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace flitbar {

// Typed HID++ 2.0 operations on the devices behind one opened receiver. The engine and the
// command line work through this seam; `Receiver` is the one real implementation.
//
// Every operation takes the device index first, blocks the calling thread in the transport
// (exchanges run one at a time) and throws HIDPPError unless it says otherwise. Requests use
// short reports and a 0.8-second timeout unless stated.
class ReceiverSession {
 public:
  virtual ~ReceiverSession() = default;

  // The opened receiver interface: for notification handlers, raw writes and stopping.
  virtual HIDPPTransporting& transport() = 0;

  // The feature's index on the device, 0 when the device lacks it. Non-zero answers are cached.
  virtual std::uint8_t featureIndex(std::uint8_t device, Feature feature, double timeoutSeconds = 0.8) = 0;
  // True when any well-formed answer to a root ping arrives within 0.35 s. Never throws.
  virtual bool ping(std::uint8_t device) = 0;
  // "(unknown)" when the device has no name feature.
  virtual std::string name(std::uint8_t device) = 0;
  // "AA:BB:CC:DD"; absent when the feature is missing or answers with a short report.
  virtual std::optional<std::string> unitID(std::uint8_t device) = 0;
  // Absent without change-host; malformedResponse unless 1 <= count <= 3 and current < count.
  virtual std::optional<HostInfo> hostInfo(std::uint8_t device) = 0;
  // Host names in host order, "" where unknown; absent when the device does not offer them.
  virtual std::optional<std::vector<std::string>> hostsInfo(std::uint8_t device) = 0;
  // Unified battery, else battery level status. Never throws.
  virtual std::optional<DeviceBattery> battery(std::uint8_t device) = 0;
  // Tells every target to change to `host0` (zero-based): 8 passes of unanswered writes, 40 ms
  // apart. Throws only when some target never took a write.
  virtual void setHostMulti(const std::vector<HostTarget>& targets, std::uint8_t host0) = 0;

  virtual int controlCount(std::uint8_t device, std::uint8_t reprogFeature) = 0;
  // `index` must be 0..255. Requires a long answer.
  virtual ControlInfo controlInfo(std::uint8_t device, std::uint8_t reprogFeature, int index) = 0;
  // Requires a long answer.
  virtual ControlReporting controlReporting(std::uint8_t device, std::uint8_t reprogFeature, std::uint16_t cid) = 0;

  // The three hi-res wheel mode bytes; absent without the feature.
  virtual std::optional<std::vector<std::uint8_t>> wheelMode(std::uint8_t device) = 0;
  // Writes the first three bytes of `mode`; unsupported("device has no hi-res wheel") without the feature.
  virtual void setWheelMode(std::uint8_t device, const std::vector<std::uint8_t>& mode) = 0;

  // The whole answer reports of SmartShift functions 0 and 1.
  virtual Report smartShiftCapabilities(std::uint8_t device, std::uint8_t smartShiftFeature) = 0;
  virtual Report smartShiftState(std::uint8_t device, std::uint8_t smartShiftFeature) = 0;

  // Every reachable device in slots 1..6, in index order. Per-device failures leave fields
  // absent or skip an empty slot; never throws.
  virtual std::vector<DeviceInfo> discover() = 0;

  // Diverts (or releases) a control: an unanswered set-reporting write with remap 0, then a
  // 20 ms pause so the device can take it in. Write errors are ignored; the caller verifies by
  // reading the reporting back.
  void setDivert(std::uint8_t device, std::uint8_t reprogFeature, std::uint16_t cid, bool divert);

  // Closes the receiver: stops its transport. Idempotent.
  void stop() { transport().stop(); }
};

// An opened receiver and the devices found on it.
struct OpenedReceiver {
  std::shared_ptr<ReceiverSession> session;
  std::vector<DeviceInfo> devices;
};

}  // namespace flitbar
