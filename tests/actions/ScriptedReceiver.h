#pragma once

#include "engine/ControlPacing.h"
#include "protocol/HIDPPError.h"
#include "protocol/ReceiverSession.h"

#include <map>
#include <set>
#include <stdexcept>
#include <utility>

namespace flitbar::testing {

// A receiver whose devices keep a table of reprogrammable controls and obey set-reporting writes,
// with scripted faults. Single-threaded; advances a manual clock by the 0.8 s a silent read costs.
class ScriptedReceiver : public ReceiverSession, public HIDPPTransporting {
 public:
  struct Control {
    std::uint16_t cid = 0;
    std::uint8_t capabilities = 0x20;
    std::uint8_t reporting = 0;  // bit 0: diverted
    std::uint16_t remap = 0;
  };

  std::map<std::uint8_t, std::vector<Control>> devices;
  // Devices that never answer (their exchanges time out).
  std::set<std::uint8_t> silent;
  // (device, cid) pairs whose writes the device drops.
  std::set<std::pair<std::uint8_t, std::uint16_t>> ignoresWrites;
  // (device, position) pairs whose control info comes back malformed.
  std::set<std::pair<std::uint8_t, int>> malformedInfo;
  int writes = 0;
  int reads = 0;
  ControlPacing::Clock::time_point clock{};

  ControlPacing manualPacing() {
    ControlPacing pacing;
    pacing.now = [this] { return clock; };
    pacing.sleep = [this](ControlPacing::Clock::duration pause) { clock += pause; };
    return pacing;
  }

  Control& control(std::uint8_t device, std::uint16_t cid) {
    for (Control& entry : devices.at(device)) {
      if (entry.cid == cid) return entry;
    }
    throw std::out_of_range("no such control");
  }

  // HIDPPTransporting
  Report exchange(std::uint8_t, std::uint8_t, std::uint8_t, const std::vector<std::uint8_t>&, bool, double) override {
    throw std::logic_error("not scripted");
  }
  void send(const Report& report) override {
    ++writes;
    const std::uint8_t device = report[1];
    const std::uint16_t cid = static_cast<std::uint16_t>(report[4] << 8 | report[5]);
    if (report[3] != 0x3A || silent.contains(device) || ignoresWrites.contains({device, cid})) return;
    Control& target = control(device, cid);
    if (report[6] & 0x02) target.reporting = (target.reporting & ~0x01) | (report[6] & 0x01);
    target.remap = static_cast<std::uint16_t>(report[7] << 8 | report[8]);
  }
  void stop() override {}
  void setNotificationHandler(NotificationHandler) override {}

  // ReceiverSession
  HIDPPTransporting& transport() override { return *this; }
  int controlCount(std::uint8_t device, std::uint8_t) override {
    answer(device);
    return static_cast<int>(devices.at(device).size());
  }
  ControlInfo controlInfo(std::uint8_t device, std::uint8_t, int index) override {
    answer(device);
    if (malformedInfo.contains({device, index})) throw HIDPPError::malformedResponse();
    const Control& entry = devices.at(device).at(index);
    return {entry.cid, static_cast<std::uint16_t>(0x0100 + index), entry.capabilities};
  }
  ControlReporting controlReporting(std::uint8_t device, std::uint8_t, std::uint16_t cid) override {
    ++reads;
    answer(device);
    const Control& entry = control(device, cid);
    return {entry.reporting, entry.remap};
  }

  std::uint8_t featureIndex(std::uint8_t, Feature, double) override { return 0; }
  bool ping(std::uint8_t device) override { return !silent.contains(device); }
  std::string name(std::uint8_t) override { return "(unknown)"; }
  std::optional<std::string> unitID(std::uint8_t) override { return std::nullopt; }
  std::optional<HostInfo> hostInfo(std::uint8_t) override { return std::nullopt; }
  std::optional<std::vector<std::string>> hostsInfo(std::uint8_t) override { return std::nullopt; }
  std::optional<DeviceBattery> battery(std::uint8_t) override { return std::nullopt; }
  void setHostMulti(const std::vector<HostTarget>&, std::uint8_t) override {}
  std::optional<std::vector<std::uint8_t>> wheelMode(std::uint8_t) override { return std::nullopt; }
  void setWheelMode(std::uint8_t, const std::vector<std::uint8_t>&) override {}
  Report smartShiftCapabilities(std::uint8_t, std::uint8_t) override { return {}; }
  Report smartShiftState(std::uint8_t, std::uint8_t) override { return {}; }
  std::vector<DeviceInfo> discover() override { return {}; }

 private:
  void answer(std::uint8_t device) {
    if (!silent.contains(device)) return;
    clock += std::chrono::milliseconds(800);
    throw HIDPPError::timeout(device);
  }
};

}  // namespace flitbar::testing
