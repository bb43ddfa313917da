#include "config/ConfigStore.h"

#include "config/TextTrimming.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <cmath>
#include <set>

namespace flitbar {
namespace {

using Json = nlohmann::json;
using Kind = ConfigIssue::Kind;

constexpr const char* deviceMessage = "device must be an integer from 1 through 6";
constexpr const char* cidMessage = "cid must be an integer from 1 through 65535";
constexpr const char* hostMessage = "switchToHost must be 1, 2, or 3";
constexpr const char* commandMessage = "command must be a non-empty string without NUL bytes";
constexpr const char* actionMessage = "specify exactly one of switchToHost or command";
constexpr const char* unitIdMessage = "unitId must contain four hexadecimal bytes, such as AA:BB:CC:DD";
constexpr const char* nameMessage = "name must be a non-empty string";

ConfigLoad documentIssue(std::string message) {
  return {{}, {{Kind::invalidDocument, std::nullopt, std::move(message)}}, false};
}

// The parser's text without its "[json.exception.parse_error.101] " tag.
std::string parserDescription(const nlohmann::json::exception& error) {
  std::string text = error.what();
  if (text.starts_with('[')) {
    if (const auto end = text.find("] "); end != std::string::npos) text.erase(0, end + 2);
  }
  return text;
}

// A JSON number (never a boolean) holding a whole value in [minimum, maximum]. The double
// window admits every whole number a 64-bit integer can hold, so 2.0 counts like 2.
std::optional<std::int64_t> integerIn(const Json* value, std::int64_t minimum, std::int64_t maximum) {
  if (value == nullptr || !value->is_number()) return std::nullopt;
  const double number = value->get<double>();
  if (!(number > -9223372036854777856.0 && number < 9223372036854775808.0) || std::trunc(number) != number)
    return std::nullopt;
  if (number < static_cast<double>(minimum) || number > static_cast<double>(maximum)) return std::nullopt;
  return static_cast<std::int64_t>(number);
}

const Json* member(const Json& object, const char* key) {
  const auto found = object.find(key);
  return found == object.end() ? nullptr : &*found;
}

bool isNonBlankString(const Json* value) { return value->is_string() && !trimmed(value->get_ref<const std::string&>()).empty(); }

// Checks one element of "bindings"; the first failed check decides its issue.
class EntryCheck {
public:
  EntryCheck(std::int64_t position, std::set<std::string>& mappingKeys)
      : position_(position), mappingKeys_(mappingKeys) {}

  void run(const Json& element, ConfigLoad& result) {
    if (auto issue = check(element)) {
      result.issues.push_back(std::move(*issue));
    } else {
      result.bindings.push_back(std::move(binding_));
    }
  }

private:
  ConfigIssue issue(Kind kind, std::string message) const { return {kind, position_, std::move(message)}; }

  std::optional<ConfigIssue> check(const Json& element) {
    if (!element.is_object()) return issue(Kind::invalidEntry, "entry must be an object");

    const auto device = integerIn(member(element, "device"), 1, 6);
    if (!device) return issue(Kind::invalidDevice, deviceMessage);
    const auto cid = integerIn(member(element, "cid"), 1, 65535);
    if (!cid) return issue(Kind::invalidControl, cidMessage);
    binding_.device = static_cast<std::uint8_t>(*device);
    binding_.cid = static_cast<std::uint16_t>(*cid);

    const Json* host = member(element, "switchToHost");
    if (host) {
      const auto value = integerIn(host, 1, 3);
      if (!value) return issue(Kind::invalidHost, hostMessage);
      binding_.switchToHost = static_cast<std::uint8_t>(*value);
    }
    if (const Json* command = member(element, "command")) {
      if (!isNonBlankString(command) ||
          command->get_ref<const std::string&>().find('\0') != std::string::npos)
        return issue(Kind::invalidEntry, commandMessage);
      if (host) return issue(Kind::actionConflict, actionMessage);
      binding_.command = command->get<std::string>();
    } else if (!host) {
      return issue(Kind::actionConflict, actionMessage);
    }

    if (const Json* unitId = member(element, "unitId")) {
      if (unitId->is_string()) binding_.unitId = ConfigStore::normalizedUnitID(unitId->get_ref<const std::string&>());
      if (!binding_.unitId) return issue(Kind::invalidEntry, unitIdMessage);
    }
    if (const Json* name = member(element, "name")) {
      if (!isNonBlankString(name)) return issue(Kind::invalidEntry, nameMessage);
      binding_.name = name->get<std::string>();
    }

    const auto prefix = binding_.unitId ? "unitId " + *binding_.unitId : "device " + std::to_string(*device);
    if (!mappingKeys_.insert(prefix + ":" + std::to_string(*cid)).second)
      return issue(Kind::duplicateMapping, prefix + ", cid " + std::to_string(*cid) + " is already mapped");
    return std::nullopt;
  }

  std::int64_t position_;
  std::set<std::string>& mappingKeys_;
  Binding binding_;
};

}  // namespace

ConfigLoad ConfigStore::parse(std::string_view data) {
  if (data.size() > maximumBytes) return documentIssue("configuration exceeds the 1 MiB limit");

  Json document;
  try {
    document = Json::parse(data.begin(), data.end());
  } catch (const nlohmann::json::exception& error) {
    return documentIssue("invalid JSON: " + parserDescription(error));
  }
  // Only an object or an array may stand at the top of a document.
  if (!document.is_object() && !document.is_array())
    return documentIssue("invalid JSON: the top-level value must be an object or an array");

  const Json* bindings = document.is_object() ? member(document, "bindings") : nullptr;
  if (bindings == nullptr || !bindings->is_array())
    return documentIssue("top level must be an object containing a bindings array");

  ConfigLoad result;
  std::set<std::string> mappingKeys;
  std::int64_t position = 0;
  for (const auto& element : *bindings) EntryCheck(position++, mappingKeys).run(element, result);
  return result;
}

std::optional<std::string> ConfigStore::normalizedUnitID(std::string_view text) {
  text = trimmed(text);
  std::string normalized;
  std::size_t pieces = 0;
  while (true) {
    const auto colon = text.find(':');
    const auto piece = text.substr(0, colon);
    if (piece.size() != 2 || !std::isxdigit(static_cast<unsigned char>(piece[0])) ||
        !std::isxdigit(static_cast<unsigned char>(piece[1])))
      return std::nullopt;
    if (++pieces > 4) return std::nullopt;
    if (!normalized.empty()) normalized += ':';
    for (const char digit : piece) normalized += static_cast<char>(std::toupper(static_cast<unsigned char>(digit)));
    if (colon == std::string_view::npos) break;
    text.remove_prefix(colon + 1);
  }
  if (pieces != 4) return std::nullopt;
  return normalized;
}

}  // namespace flitbar
