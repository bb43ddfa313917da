#pragma once

#include "virtual/HidppFrames.h"
#include "virtual/VirtualRig.h"

#include <nlohmann/json_fwd.hpp>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace flitbar::virtualhid {

// What a device does with one request.
struct DeviceAnswer {
  std::optional<frames::Bytes> report;        // nothing: the device stays silent
  std::optional<std::uint8_t> moveToChannel;  // zero-based channel the device leaves for
};

// What a physical press or release of a control causes.
struct ControlEffect {
  std::optional<frames::Bytes> event;         // a diverted-button event for the host
  std::optional<std::uint8_t> moveToChannel;  // a non-diverted Easy-Switch key selecting another channel
};

// One paired device speaking HID++ 2.0: its feature table, the state its features expose and how
// it answers requests. Not thread-safe; the world serialises every call.
class DeviceModel {
 public:
  explicit DeviceModel(RigDevice rig);

  const RigDevice& rig() const { return rig_; }
  std::uint8_t slot() const { return rig_.slot; }
  std::size_t channelCount() const { return rig_.channels.size(); }
  std::uint8_t currentChannel() const { return currentChannel_; }
  void setCurrentChannel(std::uint8_t channel) { currentChannel_ = channel; }

  // Index of a feature in this device's table; 0 when the device lacks it.
  std::uint8_t featureIndex(std::uint16_t featureId) const;
  // Feature id at an index, if the table has that many entries.
  std::optional<std::uint16_t> featureAt(std::uint8_t index) const;

  // Answers one well-formed request addressed to this device.
  DeviceAnswer handle(std::span<const std::uint8_t> request);

  // Throws std::invalid_argument when the device has no such control.
  ControlEffect press(std::uint16_t cid);
  ControlEffect release(std::uint16_t cid);

  // The link to the host dropped: temporary diversion is forgotten and held keys count as released.
  void loseLink();

  void setBattery(int percent, bool charging);

  nlohmann::json state() const;

 private:
  // A handler's outcome before it is framed as a report.
  struct Reply {
    enum class Kind { answer, error, silence };
    Kind kind = Kind::answer;
    std::array<std::uint8_t, 16> params{};
    std::uint8_t error = 0;
    std::optional<std::uint8_t> moveToChannel;

    static Reply answer(std::initializer_list<std::uint8_t> bytes);
    static Reply failure(std::uint8_t code) { return {Kind::error, {}, code, {}}; }
  };

  struct Control {
    RigControl rig;
    bool divert = false;
    bool persistentDivert = false;
    std::uint16_t remap = 0;
    bool held = false;
  };

  using Params = std::array<std::uint8_t, 16>;

  Reply root(std::uint8_t function, const Params& params) const;
  Reply featureSet(std::uint8_t function, const Params& params) const;
  Reply deviceInformation(std::uint8_t function) const;
  Reply deviceName(std::uint8_t function, const Params& params) const;
  Reply batteryStatus(std::uint8_t function) const;
  Reply unifiedBattery(std::uint8_t function) const;
  Reply changeHost(std::uint8_t function, const Params& params) const;
  Reply hostsInfo(std::uint8_t function, const Params& params) const;
  Reply reprogControls(std::uint8_t function, const Params& params);
  Reply smartShift(std::uint8_t function, const Params& params);
  Reply hiResWheel(std::uint8_t function, const Params& params);

  Control* control(std::uint16_t cid);
  Reply reporting(const Control& control) const;
  Reply setReporting(const Params& params);
  frames::Bytes buttonEvent() const;

  RigDevice rig_;
  std::vector<std::uint16_t> features_;
  std::uint8_t currentChannel_ = 0;
  RigBattery battery_;
  std::vector<Control> controls_;
  // Diverted controls held down, in press order; events list the first four.
  std::vector<std::uint16_t> divertedHeld_;
  RigSmartShift smartShift_;
  std::array<std::uint8_t, 3> wheelMode_{};
};

}  // namespace flitbar::virtualhid
