#include "virtual/DeviceModel.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <algorithm>

namespace flitbar::virtualhid {

namespace {

constexpr std::uint16_t featureRoot = 0x0000;
constexpr std::uint16_t featureFeatureSet = 0x0001;
constexpr std::uint16_t featureDeviceInformation = 0x0003;
constexpr std::uint16_t featureDeviceName = 0x0005;
constexpr std::uint16_t featureBatteryStatus = 0x1000;
constexpr std::uint16_t featureUnifiedBattery = 0x1004;
constexpr std::uint16_t featureChangeHost = 0x1814;
constexpr std::uint16_t featureHostsInfo = 0x1815;
constexpr std::uint16_t featureReprogControls = 0x1B04;
constexpr std::uint16_t featureSmartShift = 0x2111;
constexpr std::uint16_t featureHiResWheel = 0x2121;

// The HID++ protocol version a device reports to a ping.
constexpr std::uint8_t protocolMajor = 4;
constexpr std::uint8_t protocolMinor = 5;

bool offers(const RigBattery& battery, BatteryFeature feature) {
  return std::find(battery.features.begin(), battery.features.end(), feature) != battery.features.end();
}

}  // namespace

DeviceModel::Reply DeviceModel::Reply::answer(std::initializer_list<std::uint8_t> bytes) {
  Reply reply;
  std::copy_n(bytes.begin(), std::min<std::size_t>(bytes.size(), reply.params.size()), reply.params.begin());
  return reply;
}

DeviceModel::DeviceModel(RigDevice rig)
    : rig_(std::move(rig)),
      currentChannel_(rig_.currentChannel),
      battery_(rig_.battery.value_or(RigBattery{})),
      smartShift_(rig_.smartShift.value_or(RigSmartShift{})) {
  features_ = {featureRoot, featureFeatureSet};
  if (rig_.unitId) features_.push_back(featureDeviceInformation);
  features_.push_back(featureDeviceName);
  if (rig_.battery && offers(*rig_.battery, BatteryFeature::status)) features_.push_back(featureBatteryStatus);
  if (rig_.battery && offers(*rig_.battery, BatteryFeature::unified)) features_.push_back(featureUnifiedBattery);
  if (rig_.changeHost) features_.push_back(featureChangeHost);
  if (rig_.hostsInfo) features_.push_back(featureHostsInfo);
  if (!rig_.controls.empty()) features_.push_back(featureReprogControls);
  if (rig_.smartShift) features_.push_back(featureSmartShift);
  if (rig_.wheel) {
    features_.push_back(featureHiResWheel);
    wheelMode_ = rig_.wheel->mode;
  }
  for (const auto& control : rig_.controls) controls_.push_back(Control{control});
}

std::uint8_t DeviceModel::featureIndex(std::uint16_t featureId) const {
  const auto found = std::find(features_.begin(), features_.end(), featureId);
  return found == features_.end() ? 0 : static_cast<std::uint8_t>(found - features_.begin());
}

std::optional<std::uint16_t> DeviceModel::featureAt(std::uint8_t index) const {
  if (index >= features_.size()) return std::nullopt;
  return features_[index];
}

DeviceAnswer DeviceModel::handle(std::span<const std::uint8_t> request) {
  const std::uint8_t index = request[2];
  const std::uint8_t function = request[3] >> 4;
  Params params{};
  std::copy(request.begin() + 4, request.end(), params.begin());

  Reply reply = Reply::failure(frames::errorInvalidFeatureIndex);
  if (const auto feature = featureAt(index)) {
    switch (*feature) {
      case featureRoot:
        reply = root(function, params);
        break;
      case featureFeatureSet:
        reply = featureSet(function, params);
        break;
      case featureDeviceInformation:
        reply = deviceInformation(function);
        break;
      case featureDeviceName:
        reply = deviceName(function, params);
        break;
      case featureBatteryStatus:
        reply = batteryStatus(function);
        break;
      case featureUnifiedBattery:
        reply = unifiedBattery(function);
        break;
      case featureChangeHost:
        reply = changeHost(function, params);
        break;
      case featureHostsInfo:
        reply = hostsInfo(function, params);
        break;
      case featureReprogControls:
        reply = reprogControls(function, params);
        break;
      case featureSmartShift:
        reply = smartShift(function, params);
        break;
      case featureHiResWheel:
        reply = hiResWheel(function, params);
        break;
      default:
        break;
    }
  }

  switch (reply.kind) {
    case Reply::Kind::silence:
      return {std::nullopt, reply.moveToChannel};
    case Reply::Kind::error:
      return {frames::hidpp20Error(request, reply.error), std::nullopt};
    case Reply::Kind::answer:
      break;
  }
  // Devices answer HID++ 2.0 requests with long reports, whatever length the request had.
  return {frames::longReport(request[1], index, request[3], reply.params), reply.moveToChannel};
}

DeviceModel::Reply DeviceModel::root(std::uint8_t function, const Params& params) const {
  switch (function) {
    case 0: {  // getFeature(id): index, type, version; index 0 when the device lacks the feature
      const auto id = static_cast<std::uint16_t>(params[0] << 8 | params[1]);
      const auto index = featureIndex(id);
      return Reply::answer({index, 0x00, 0x00});
    }
    case 1:  // ping: protocol version and the ping byte echoed
      return Reply::answer({protocolMajor, protocolMinor, params[2]});
    default:
      return Reply::failure(frames::errorInvalidFunction);
  }
}

DeviceModel::Reply DeviceModel::featureSet(std::uint8_t function, const Params& params) const {
  const auto count = static_cast<std::uint8_t>(features_.size() - 1);
  switch (function) {
    case 0:
      return Reply::answer({count});
    case 1: {
      if (params[0] > count) return Reply::failure(frames::errorInvalidArgument);
      const auto id = features_[params[0]];
      return Reply::answer({static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id & 0xFF), 0x00, 0x00});
    }
    default:
      return Reply::failure(frames::errorInvalidFunction);
  }
}

DeviceModel::Reply DeviceModel::deviceInformation(std::uint8_t function) const {
  if (function != 0) return Reply::failure(frames::errorInvalidFunction);
  const auto& unit = *rig_.unitId;
  // entity count, unit id, transport, model id (the wireless product id first)
  return Reply::answer({0x01, unit[0], unit[1], unit[2], unit[3], 0x00, 0x04, static_cast<std::uint8_t>(rig_.wpid >> 8),
                        static_cast<std::uint8_t>(rig_.wpid & 0xFF), 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
}

DeviceModel::Reply DeviceModel::deviceName(std::uint8_t function, const Params& params) const {
  const auto& name = rig_.name;
  switch (function) {
    case 0:
      return Reply::answer({static_cast<std::uint8_t>(name.size())});
    case 1: {
      const std::size_t offset = params[0];
      if (offset >= name.size()) return Reply::failure(frames::errorInvalidArgument);
      Reply reply;
      std::copy_n(name.begin() + static_cast<std::ptrdiff_t>(offset), std::min<std::size_t>(16, name.size() - offset),
                  reply.params.begin());
      return reply;
    }
    case 2:
      return Reply::answer({static_cast<std::uint8_t>(rig_.kind == DeviceKind::keyboard ? 0x00 : 0x03)});
    default:
      return Reply::failure(frames::errorInvalidFunction);
  }
}

DeviceModel::Reply DeviceModel::batteryStatus(std::uint8_t function) const {
  const auto percent = static_cast<std::uint8_t>(battery_.percent);
  switch (function) {
    case 0: {  // level, next level, status (0 discharging, 1 recharging, 3 charge complete)
      const auto next = static_cast<std::uint8_t>(percent > 10 ? (percent - 1) / 10 * 10 : 0);
      const std::uint8_t status = battery_.charging ? (percent >= 100 ? 3 : 1) : 0;
      return Reply::answer({percent, next, status});
    }
    case 1:
      return Reply::answer({10, 0x00});  // number of levels, no special capabilities
    default:
      return Reply::failure(frames::errorInvalidFunction);
  }
}

DeviceModel::Reply DeviceModel::unifiedBattery(std::uint8_t function) const {
  switch (function) {
    case 0:  // supported levels (critical, low, good, full), rechargeable and state of charge flags
      return Reply::answer({0x0F, static_cast<std::uint8_t>(0x01 | (battery_.reportsPercent ? 0x02 : 0x00))});
    case 1: {  // state of charge, level, charging status, external power
      const int percent = battery_.percent;
      const std::uint8_t level = percent >= 90 ? 0x08 : percent >= 30 ? 0x04 : percent >= 10 ? 0x02 : 0x01;
      const std::uint8_t charging = battery_.charging ? (percent >= 100 ? 3 : 1) : 0;
      const auto charge = static_cast<std::uint8_t>(battery_.reportsPercent ? percent : 0);
      return Reply::answer({charge, level, charging, static_cast<std::uint8_t>(battery_.charging ? 1 : 0)});
    }
    default:
      return Reply::failure(frames::errorInvalidFunction);
  }
}

void DeviceModel::setBattery(int percent, bool charging) {
  battery_.percent = percent;
  battery_.charging = charging;
}

nlohmann::json DeviceModel::state() const {
  nlohmann::json controls = nlohmann::json::array();
  for (const auto& control : controls_) {
    controls.push_back({{"cid", fmt::format("0x{:04X}", control.rig.cid)},
                        {"diverted", control.divert},
                        {"persistentlyDiverted", control.persistentDivert},
                        {"remap", fmt::format("0x{:04X}", control.remap)},
                        {"held", control.held}});
  }
  nlohmann::json features = nlohmann::json::array();
  for (const auto id : features_) features.push_back(fmt::format("0x{:04X}", id));
  nlohmann::json state{{"id", rig_.id},
                       {"slot", rig_.slot},
                       {"name", rig_.name},
                       {"host", currentChannel_ + 1},
                       {"hostCount", rig_.channels.size()},
                       {"features", features},
                       {"controls", controls}};
  if (rig_.battery) state["battery"] = {{"percent", battery_.percent}, {"charging", battery_.charging}};
  if (rig_.smartShift) {
    state["smartShift"] = {
        {"mode", smartShift_.mode}, {"autoDisengage", smartShift_.autoDisengage}, {"torque", smartShift_.torque}};
  }
  if (rig_.wheel) state["hiResWheel"] = {{"mode", wheelMode_}};
  return state;
}

}  // namespace flitbar::virtualhid
