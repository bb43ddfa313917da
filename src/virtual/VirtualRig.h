#pragma once

#include <nlohmann/json_fwd.hpp>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace flitbar::virtualhid {

enum class ReceiverKind { unifying, bolt };

// One computer of the world; each has a receiver of its own.
struct RigComputer {
  std::string id;    // also the name of its directory when served over sockets
  std::string name;  // the name the computer gave the devices paired with it
  ReceiverKind receiver = ReceiverKind::bolt;

  bool operator==(const RigComputer&) const = default;
};

enum class DeviceKind { keyboard, mouse };

struct RigControl {
  std::uint16_t cid = 0;
  std::uint16_t task = 0;
  std::uint8_t flags = 0;       // capability flags: 0x10 reprogrammable, 0x20 divertable, 0x40 persistently divertable
  std::uint8_t hostSwitch = 0;  // one-based Easy-Switch channel this control selects; 0 for other controls

  bool operator==(const RigControl&) const = default;
};

enum class BatteryFeature { unified, status };

struct RigBattery {
  // The battery features the device offers, in feature-table order (0x1000 before 0x1004).
  std::vector<BatteryFeature> features{BatteryFeature::unified};
  int percent = 100;
  bool charging = false;
  // Some devices report only coarse levels through unified battery, with a state of charge of 0.
  bool reportsPercent = true;

  bool operator==(const RigBattery&) const = default;
};

struct RigSmartShift {
  std::uint8_t mode = 2;            // 1 free spin, 2 ratchet
  std::uint8_t autoDisengage = 10;  // 0xFF: always ratchet
  std::uint8_t torque = 50;
  std::uint8_t minimum = 1;  // the threshold range the device describes
  std::uint8_t maximum = 50;

  bool operator==(const RigSmartShift&) const = default;
};

struct RigWheel {
  std::array<std::uint8_t, 3> mode{};  // first byte 1: diverted to a driver, 0: native scrolling
  std::uint8_t multiplier = 8;

  bool operator==(const RigWheel&) const = default;
};

struct RigDevice {
  std::string id;  // how control commands name the device
  std::uint8_t slot = 1;
  DeviceKind kind = DeviceKind::keyboard;
  std::string name;
  std::uint16_t wpid = 0;
  std::optional<std::array<std::uint8_t, 4>> unitId;
  // Easy-Switch channels in order: the computer each is paired with, or nothing for a computer
  // outside the world.
  std::vector<std::optional<std::string>> channels;
  std::uint8_t currentChannel = 0;  // zero-based
  bool changeHost = true;
  bool hostsInfo = true;
  // Names the device keeps per channel; empty where the computer never told it one.
  std::vector<std::string> hostNames;
  std::optional<RigBattery> battery;
  std::vector<RigControl> controls;
  std::optional<RigSmartShift> smartShift;
  std::optional<RigWheel> wheel;

  bool operator==(const RigDevice&) const = default;
};

struct RigTiming {
  int answerMs = 20;            // a live device's answer
  int receiverErrorMs = 2;      // an error frame from the receiver itself
  int departureNoticeMs = 200;  // a departed device's link-lost notification
  int arrivalMs = 300;          // a moving device establishing its link with the next receiver

  bool operator==(const RigTiming&) const = default;
};

struct VirtualRig {
  std::vector<RigComputer> computers;
  std::vector<RigDevice> devices;
  RigTiming timing;

  bool operator==(const VirtualRig&) const = default;

  // Throws RigError naming the offending field.
  static VirtualRig fromJson(const nlohmann::json& document);
  // Throws RigError when the file cannot be read, is not JSON or is not a sound rig.
  static VirtualRig load(const std::string& path);
};

}  // namespace flitbar::virtualhid
