#include "virtual/VirtualRig.h"

#include "virtual/RigError.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <initializer_list>
#include <set>
#include <sstream>

namespace flitbar::virtualhid {

namespace {

using nlohmann::json;

// Reads one JSON object of the rig, naming the field path in every error and refusing keys it
// does not know, so a misspelt key never silently falls back to a default.
class ObjectReader {
 public:
  ObjectReader(const json& value, std::string path, std::initializer_list<const char*> keys)
      : value_(value), path_(std::move(path)) {
    if (!value_.is_object()) fail(path_.empty() ? "rig" : path_, "must be an object");
    for (const auto& [key, ignored] : value_.items()) {
      if (std::find_if(keys.begin(), keys.end(), [&](const char* known) { return key == known; }) == keys.end()) {
        fail(field(key), "is not a known key");
      }
    }
  }

  [[noreturn]] static void fail(const std::string& path, const std::string& problem) {
    throw RigError(fmt::format("{} {}", path, problem));
  }

  std::string field(const std::string& key) const { return path_.empty() ? key : path_ + "." + key; }
  bool has(const char* key) const { return value_.contains(key) && !value_.at(key).is_null(); }
  const json& at(const char* key) const { return value_.at(key); }

  // An integer written as a number or as a "0x..." hexadecimal string.
  long number(const char* key, long minimum, long maximum, std::optional<long> fallback = std::nullopt) const {
    if (!has(key)) {
      if (fallback) return *fallback;
      fail(field(key), "is missing");
    }
    const auto range = [&] {
      return minimum == 0 && maximum > 255 ? fmt::format("from 0 through 0x{:X}", maximum)
                                           : fmt::format("from {} through {}", minimum, maximum);
    };
    const json& value = at(key);
    long result = 0;
    if (value.is_number_integer()) {
      result = value.get<long>();
    } else if (value.is_string()) {
      const auto& text = value.get_ref<const std::string&>();
      std::size_t used = 0;
      try {
        result = std::stol(text, &used, 0);
      } catch (const std::exception&) {
        used = 0;
      }
      if (used == 0 || used != text.size()) fail(field(key), "must be an integer " + range());
    } else {
      fail(field(key), "must be an integer " + range());
    }
    if (result < minimum || result > maximum) fail(field(key), "must be an integer " + range());
    return result;
  }

  std::string text(const char* key, std::optional<std::string> fallback = std::nullopt,
                   std::size_t maxBytes = 64) const {
    if (!has(key)) {
      if (fallback) return *fallback;
      fail(field(key), "is missing");
    }
    if (!at(key).is_string()) fail(field(key), "must be a string");
    auto result = at(key).get<std::string>();
    if (result.size() > maxBytes) fail(field(key), fmt::format("must be at most {} bytes long", maxBytes));
    return result;
  }

  bool flag(const char* key, bool fallback) const {
    if (!has(key)) return fallback;
    if (!at(key).is_boolean()) fail(field(key), "must be true or false");
    return at(key).get<bool>();
  }

  const json& array(const char* key, std::size_t minimum, std::size_t maximum) const {
    if (!has(key)) fail(field(key), "is missing");
    const json& value = at(key);
    if (!value.is_array() || value.size() < minimum || value.size() > maximum) {
      fail(field(key), fmt::format("must be an array of {} to {} entries", minimum, maximum));
    }
    return value;
  }

 private:
  const json& value_;
  std::string path_;
};

std::string indexed(const std::string& path, std::size_t index) { return fmt::format("{}[{}]", path, index); }

RigComputer readComputer(const json& value, const std::string& path) {
  ObjectReader reader(value, path, {"id", "name", "receiver"});
  RigComputer computer;
  computer.id = reader.text("id", std::nullopt, 32);
  const bool plainId = !computer.id.empty() && std::all_of(computer.id.begin(), computer.id.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
  });
  if (!plainId) ObjectReader::fail(reader.field("id"), "must be letters, digits, '-' or '_'");
  computer.name = reader.text("name", std::string(), 32);
  const auto receiver = reader.text("receiver", std::string("bolt"));
  if (receiver == "bolt") {
    computer.receiver = ReceiverKind::bolt;
  } else if (receiver == "unifying") {
    computer.receiver = ReceiverKind::unifying;
  } else {
    ObjectReader::fail(reader.field("receiver"), "must be \"bolt\" or \"unifying\"");
  }
  return computer;
}

std::array<std::uint8_t, 4> readUnitId(const std::string& text, const std::string& path) {
  std::array<std::uint8_t, 4> bytes{};
  unsigned values[4] = {};
  char separators[3] = {};
  int consumed = 0;
  const bool parsed = text.size() == 11 &&
                      std::sscanf(text.c_str(), "%2x%c%2x%c%2x%c%2x%n", &values[0], &separators[0], &values[1],
                                  &separators[1], &values[2], &separators[2], &values[3], &consumed) == 7 &&
                      consumed == 11 && separators[0] == ':' && separators[1] == ':' && separators[2] == ':';
  if (!parsed) ObjectReader::fail(path, "must be four hexadecimal bytes like \"AA:BB:CC:DD\"");
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(values[i]);
  return bytes;
}

RigBattery readBattery(const json& value, const std::string& path) {
  ObjectReader reader(value, path, {"features", "percent", "charging", "reportsPercent"});
  RigBattery battery;
  if (reader.has("features")) {
    battery.features.clear();
    const json& features = reader.array("features", 1, 2);
    for (std::size_t i = 0; i < features.size(); ++i) {
      const auto name = features[i].is_string() ? features[i].get<std::string>() : std::string();
      const auto feature = name == "unified"  ? std::optional(BatteryFeature::unified)
                           : name == "status" ? std::optional(BatteryFeature::status)
                                              : std::nullopt;
      if (!feature) ObjectReader::fail(indexed(reader.field("features"), i), "must be \"unified\" or \"status\"");
      if (std::find(battery.features.begin(), battery.features.end(), *feature) != battery.features.end()) {
        ObjectReader::fail(indexed(reader.field("features"), i), "is listed twice");
      }
      battery.features.push_back(*feature);
    }
  }
  battery.percent = static_cast<int>(reader.number("percent", 0, 100, 100));
  battery.charging = reader.flag("charging", false);
  battery.reportsPercent = reader.flag("reportsPercent", true);
  return battery;
}

RigControl readControl(const json& value, const std::string& path, std::size_t channelCount) {
  ObjectReader reader(value, path, {"cid", "task", "flags", "hostSwitch"});
  RigControl control;
  control.cid = static_cast<std::uint16_t>(reader.number("cid", 1, 0xFFFF));
  control.task = static_cast<std::uint16_t>(reader.number("task", 0, 0xFFFF, 0));
  control.flags = static_cast<std::uint8_t>(reader.number("flags", 0, 0xFF, 0x30));
  const bool easySwitchKey = control.cid >= 0xD1 && control.cid <= 0xD3;
  const long implied = easySwitchKey && control.cid - 0xD0u <= channelCount ? control.cid - 0xD0 : 0;
  control.hostSwitch =
      static_cast<std::uint8_t>(reader.number("hostSwitch", 0, static_cast<long>(channelCount), implied));
  return control;
}

RigSmartShift readSmartShift(const json& value, const std::string& path) {
  ObjectReader reader(value, path, {"mode", "autoDisengage", "torque", "minimum", "maximum"});
  RigSmartShift smartShift;
  if (reader.has("mode")) {
    const auto mode = reader.text("mode");
    if (mode == "freespin") {
      smartShift.mode = 1;
    } else if (mode == "ratchet") {
      smartShift.mode = 2;
    } else {
      ObjectReader::fail(reader.field("mode"), "must be \"freespin\" or \"ratchet\"");
    }
  }
  smartShift.autoDisengage = static_cast<std::uint8_t>(reader.number("autoDisengage", 1, 0xFF, 10));
  smartShift.torque = static_cast<std::uint8_t>(reader.number("torque", 1, 100, 50));
  smartShift.minimum = static_cast<std::uint8_t>(reader.number("minimum", 1, 0xFF, 1));
  smartShift.maximum = static_cast<std::uint8_t>(reader.number("maximum", 1, 0xFF, 50));
  if (smartShift.minimum > smartShift.maximum) ObjectReader::fail(path, "minimum must not exceed maximum");
  return smartShift;
}

RigWheel readWheel(const json& value, const std::string& path) {
  ObjectReader reader(value, path, {"mode", "multiplier"});
  RigWheel wheel;
  if (reader.has("mode")) {
    const json& mode = reader.array("mode", 3, 3);
    for (std::size_t i = 0; i < 3; ++i) {
      if (!mode[i].is_number_integer() || mode[i].get<long>() < 0 || mode[i].get<long>() > 0xFF) {
        ObjectReader::fail(indexed(reader.field("mode"), i), "must be an integer from 0 through 255");
      }
      wheel.mode[i] = mode[i].get<std::uint8_t>();
    }
  }
  wheel.multiplier = static_cast<std::uint8_t>(reader.number("multiplier", 1, 0xFF, 8));
  return wheel;
}

RigDevice readDevice(const json& value, const std::string& path, const std::vector<RigComputer>& computers) {
  ObjectReader reader(value, path,
                      {"id", "slot", "kind", "name", "wpid", "unitId", "hosts", "currentHost", "changeHost",
                       "hostsInfo", "hostNames", "battery", "controls", "smartShift", "hiResWheel"});
  RigDevice device;
  device.id = reader.text("id", std::nullopt, 32);
  if (device.id.empty()) ObjectReader::fail(reader.field("id"), "must not be empty");
  device.slot = static_cast<std::uint8_t>(reader.number("slot", 1, 6));
  const auto kind = reader.text("kind", std::string("keyboard"));
  if (kind == "keyboard") {
    device.kind = DeviceKind::keyboard;
  } else if (kind == "mouse") {
    device.kind = DeviceKind::mouse;
  } else {
    ObjectReader::fail(reader.field("kind"), "must be \"keyboard\" or \"mouse\"");
  }
  device.name = reader.text("name", std::nullopt, 64);
  device.wpid = static_cast<std::uint16_t>(reader.number("wpid", 0, 0xFFFF, 0x4000 + device.slot));
  if (reader.has("unitId")) device.unitId = readUnitId(reader.text("unitId"), reader.field("unitId"));

  const json& hosts = reader.array("hosts", 1, 3);
  std::set<std::string> seen;
  for (std::size_t i = 0; i < hosts.size(); ++i) {
    if (hosts[i].is_null()) {
      device.channels.emplace_back();
      continue;
    }
    const auto id = hosts[i].is_string() ? hosts[i].get<std::string>() : std::string();
    const bool known = std::any_of(computers.begin(), computers.end(), [&](const auto& c) { return c.id == id; });
    if (!known) ObjectReader::fail(indexed(reader.field("hosts"), i), "must name a computer of the rig or be null");
    if (!seen.insert(id).second) ObjectReader::fail(indexed(reader.field("hosts"), i), "names a computer twice");
    device.channels.emplace_back(id);
  }
  const auto count = static_cast<long>(device.channels.size());
  device.currentChannel = static_cast<std::uint8_t>(reader.number("currentHost", 1, count, 1) - 1);
  device.changeHost = reader.flag("changeHost", true);
  if (!device.changeHost && count != 1)
    ObjectReader::fail(reader.field("hosts"), "must list one computer when changeHost is false");
  device.hostsInfo = reader.flag("hostsInfo", device.changeHost);

  if (reader.has("hostNames")) {
    const json& names = reader.array("hostNames", device.channels.size(), device.channels.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (!names[i].is_string() || names[i].get_ref<const std::string&>().size() > 32) {
        ObjectReader::fail(indexed(reader.field("hostNames"), i), "must be a string of at most 32 bytes");
      }
      device.hostNames.push_back(names[i].get<std::string>());
    }
  } else {
    for (const auto& channel : device.channels) {
      const auto computer =
          std::find_if(computers.begin(), computers.end(), [&](const auto& c) { return channel && c.id == *channel; });
      device.hostNames.push_back(computer == computers.end() ? std::string() : computer->name);
    }
  }

  if (reader.has("battery")) device.battery = readBattery(reader.at("battery"), reader.field("battery"));
  if (reader.has("controls")) {
    const json& controls = reader.array("controls", 0, 32);
    for (std::size_t i = 0; i < controls.size(); ++i) {
      auto control = readControl(controls[i], indexed(reader.field("controls"), i), device.channels.size());
      const bool duplicate = std::any_of(device.controls.begin(), device.controls.end(),
                                         [&](const auto& other) { return other.cid == control.cid; });
      if (duplicate) ObjectReader::fail(indexed(reader.field("controls"), i), "repeats an earlier cid");
      device.controls.push_back(control);
    }
  }
  if (reader.has("smartShift")) device.smartShift = readSmartShift(reader.at("smartShift"), reader.field("smartShift"));
  if (reader.has("hiResWheel")) device.wheel = readWheel(reader.at("hiResWheel"), reader.field("hiResWheel"));
  return device;
}

RigTiming readTiming(const json& value, const std::string& path) {
  ObjectReader reader(value, path, {"answerMs", "receiverErrorMs", "departureNoticeMs", "arrivalMs"});
  RigTiming timing;
  timing.answerMs = static_cast<int>(reader.number("answerMs", 0, 10000, timing.answerMs));
  timing.receiverErrorMs = static_cast<int>(reader.number("receiverErrorMs", 0, 10000, timing.receiverErrorMs));
  timing.departureNoticeMs = static_cast<int>(reader.number("departureNoticeMs", 0, 10000, timing.departureNoticeMs));
  timing.arrivalMs = static_cast<int>(reader.number("arrivalMs", 0, 10000, timing.arrivalMs));
  return timing;
}

}  // namespace

VirtualRig VirtualRig::fromJson(const json& document) {
  ObjectReader reader(document, "", {"computers", "devices", "timing"});
  VirtualRig rig;
  const json& computers = reader.array("computers", 1, 8);
  for (std::size_t i = 0; i < computers.size(); ++i) {
    auto computer = readComputer(computers[i], indexed("computers", i));
    const bool duplicate =
        std::any_of(rig.computers.begin(), rig.computers.end(), [&](const auto& c) { return c.id == computer.id; });
    if (duplicate) ObjectReader::fail(indexed("computers", i) + ".id", "repeats an earlier computer");
    rig.computers.push_back(std::move(computer));
  }
  const json& devices = reader.array("devices", 0, 6);
  for (std::size_t i = 0; i < devices.size(); ++i) {
    auto device = readDevice(devices[i], indexed("devices", i), rig.computers);
    for (const auto& other : rig.devices) {
      if (other.id == device.id) ObjectReader::fail(indexed("devices", i) + ".id", "repeats an earlier device");
      if (other.slot == device.slot)
        ObjectReader::fail(indexed("devices", i) + ".slot", "repeats an earlier device's slot");
    }
    rig.devices.push_back(std::move(device));
  }
  if (reader.has("timing")) rig.timing = readTiming(reader.at("timing"), "timing");
  return rig;
}

VirtualRig VirtualRig::load(const std::string& path) {
  std::ifstream file(path);
  if (!file) throw RigError(fmt::format("cannot read rig file {}", path));
  std::stringstream text;
  text << file.rdbuf();
  json document;
  try {
    document = json::parse(text.str());
  } catch (const json::parse_error& error) {
    throw RigError(fmt::format("rig file {} is not valid JSON: {}", path, error.what()));
  }
  try {
    return fromJson(document);
  } catch (const RigError& error) {
    throw RigError(fmt::format("rig file {}: {}", path, error.what()));
  }
}

}  // namespace flitbar::virtualhid
