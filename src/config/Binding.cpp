#include "config/Binding.h"

#include <limits>
#include <stdexcept>

namespace flitbar {
namespace {

template <typename Integer>
Integer integerField(const nlohmann::json& value, const char* key) {
  const auto found = value.find(key);
  const auto refuse = [key] {
    return std::invalid_argument(std::string("binding ") + key + " must be an integer that fits");
  };
  if (found == value.end() || !found->is_number_integer()) throw refuse();
  const std::uint64_t limit = std::numeric_limits<Integer>::max();
  if (found->is_number_unsigned()) {
    if (found->get<std::uint64_t>() > limit) throw refuse();
    return static_cast<Integer>(found->get<std::uint64_t>());
  }
  const auto signedValue = found->get<std::int64_t>();
  if (signedValue < 0 || static_cast<std::uint64_t>(signedValue) > limit) throw refuse();
  return static_cast<Integer>(signedValue);
}

std::string stringField(const nlohmann::json& value, const char* key) {
  if (!value.at(key).is_string()) throw std::invalid_argument(std::string("binding ") + key + " must be a string");
  return value.at(key).get<std::string>();
}

}  // namespace

std::string Binding::displayName(const std::map<std::uint16_t, std::string>& controlNames) const {
  if (name) return *name;
  const auto prefix = "device " + std::to_string(device) + ", ";
  if (const auto known = controlNames.find(cid); known != controlNames.end()) return prefix + known->second;
  return prefix + "control " + std::to_string(cid);
}

nlohmann::ordered_json Binding::encoded() const {
  nlohmann::ordered_json value;
  value["device"] = device;
  value["cid"] = cid;
  if (unitId) value["unitId"] = *unitId;
  if (name) value["name"] = *name;
  if (switchToHost) value["switchToHost"] = *switchToHost;
  if (command) value["command"] = *command;
  return value;
}

Binding Binding::decoded(const nlohmann::json& value) {
  if (!value.is_object()) throw std::invalid_argument("binding must be an object");
  Binding binding;
  binding.device = integerField<std::uint8_t>(value, "device");
  binding.cid = integerField<std::uint16_t>(value, "cid");
  const auto present = [&value](const char* key) { return value.contains(key) && !value.at(key).is_null(); };
  if (present("unitId")) binding.unitId = stringField(value, "unitId");
  if (present("name")) binding.name = stringField(value, "name");
  if (present("switchToHost")) binding.switchToHost = integerField<std::uint8_t>(value, "switchToHost");
  if (present("command")) binding.command = stringField(value, "command");
  return binding;
}

}  // namespace flitbar
