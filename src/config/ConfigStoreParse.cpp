#include "config/ConfigStore.h"

#include "config/TextTrimming.h"

#include <nlohmann/json.hpp>

#include <array>
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
constexpr const char* shapeMessage = "top level must be an object containing a bindings array";

// One value of an entry's known key, as far as the checks need to see it.
struct Field {
  enum class Type { null, boolean, number, string, container };
  Type type = Type::null;
  double number = 0;
  std::string text;

  static Field of(Type type) { return {type, 0, {}}; }
};

enum FieldKey : std::size_t { device, cid, unitId, name, switchToHost, command, fieldCount };
constexpr std::array<std::string_view, fieldCount> fieldNames{"device", "cid",          "unitId",
                                                              "name",   "switchToHost", "command"};

// One element of "bindings"; a repeated key keeps its last value, as in any JSON object.
struct Entry {
  bool isObject = false;
  std::array<std::optional<Field>, fieldCount> fields;
};

// A number (never a boolean) holding a whole value in [minimum, maximum]. The double window
// admits every whole number a 64-bit integer can hold, so 2.0 counts like 2.
std::optional<std::int64_t> integerIn(const std::optional<Field>& field, std::int64_t minimum, std::int64_t maximum) {
  if (!field || field->type != Field::Type::number) return std::nullopt;
  const double number = field->number;
  if (!(number > -9223372036854777856.0 && number < 9223372036854775808.0) || std::trunc(number) != number)
    return std::nullopt;
  if (number < static_cast<double>(minimum) || number > static_cast<double>(maximum)) return std::nullopt;
  return static_cast<std::int64_t>(number);
}

bool isNonBlankString(const Field& field) { return field.type == Field::Type::string && !trimmed(field.text).empty(); }

// Runs the checks of one entry in order; the first that fails decides its issue.
std::optional<ConfigIssue> checkEntry(Entry& entry, std::int64_t position, std::set<std::string>& mappingKeys,
                                      Binding& binding) {
  const auto issue = [position](Kind kind, std::string message) {
    return ConfigIssue{kind, position, std::move(message)};
  };
  if (!entry.isObject) return issue(Kind::invalidEntry, "entry must be an object");
  auto& fields = entry.fields;

  const auto deviceNumber = integerIn(fields[device], 1, 6);
  if (!deviceNumber) return issue(Kind::invalidDevice, deviceMessage);
  const auto control = integerIn(fields[cid], 1, 65535);
  if (!control) return issue(Kind::invalidControl, cidMessage);
  binding.device = static_cast<std::uint8_t>(*deviceNumber);
  binding.cid = static_cast<std::uint16_t>(*control);

  if (fields[switchToHost]) {
    const auto host = integerIn(fields[switchToHost], 1, 3);
    if (!host) return issue(Kind::invalidHost, hostMessage);
    binding.switchToHost = static_cast<std::uint8_t>(*host);
  }
  if (fields[command]) {
    if (!isNonBlankString(*fields[command]) || fields[command]->text.find('\0') != std::string::npos)
      return issue(Kind::invalidEntry, commandMessage);
    if (fields[switchToHost]) return issue(Kind::actionConflict, actionMessage);
    binding.command = std::move(fields[command]->text);
  } else if (!fields[switchToHost]) {
    return issue(Kind::actionConflict, actionMessage);
  }

  if (fields[unitId]) {
    if (fields[unitId]->type == Field::Type::string)
      binding.unitId = ConfigStore::normalizedUnitID(fields[unitId]->text);
    if (!binding.unitId) return issue(Kind::invalidEntry, unitIdMessage);
  }
  if (fields[name]) {
    if (!isNonBlankString(*fields[name])) return issue(Kind::invalidEntry, nameMessage);
    binding.name = std::move(fields[name]->text);
  }

  const auto prefix = binding.unitId ? "unitId " + *binding.unitId : "device " + std::to_string(*deviceNumber);
  if (!mappingKeys.insert(prefix + ":" + std::to_string(*control)).second)
    return issue(Kind::duplicateMapping, prefix + ", cid " + std::to_string(*control) + " is already mapped");
  return std::nullopt;
}

// Reads the document as a stream of parser events and checks each entry of "bindings" as soon
// as it is complete, without building the document in memory: only the six known keys of each
// entry are kept, and everything else (other keys, nested values) is merely walked.
class BindingsReader final : public nlohmann::json_sax<Json> {
 public:
  enum class TopLevel { none, object, array, scalar };

  TopLevel topLevel = TopLevel::none;
  bool bindingsIsArray = false;  // as last given: a repeated key keeps its last value
  ConfigLoad result;
  std::string error;

  bool null() override { return value(Field::of(Field::Type::null)); }
  bool boolean(bool) override { return value(Field::of(Field::Type::boolean)); }
  bool number_integer(number_integer_t number) override { return value(numberField(static_cast<double>(number))); }
  bool number_unsigned(number_unsigned_t number) override { return value(numberField(static_cast<double>(number))); }
  bool number_float(number_float_t number, const string_t&) override { return value(numberField(number)); }
  bool string(string_t& text) override {
    auto field = Field::of(Field::Type::string);
    if (depth_ == 3 && inEntry_ && currentField_ < fieldCount) field.text = std::move(text);
    return value(std::move(field));
  }
  bool binary(binary_t&) override { return value(Field::of(Field::Type::container)); }

  bool start_object(std::size_t) override { return open(true); }
  bool start_array(std::size_t) override { return open(false); }
  bool end_object() override { return close(); }
  bool end_array() override { return close(); }

  bool key(string_t& text) override {
    if (depth_ == 1) topKeyIsBindings_ = text == "bindings";
    if (depth_ == 3 && inEntry_) {
      currentField_ = fieldCount;
      for (std::size_t index = 0; index < fieldCount; ++index)
        if (fieldNames[index] == text) currentField_ = index;
    }
    return true;
  }

  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& exception) override {
    // The parser's text without its "[json.exception.parse_error.101] " tag.
    error = exception.what();
    if (error.starts_with('[')) {
      if (const auto end = error.find("] "); end != std::string::npos) error.erase(0, end + 2);
    }
    return false;
  }

 private:
  static Field numberField(double number) { return {Field::Type::number, number, {}}; }

  // A scalar, or the start of a container, at the current depth.
  bool value(Field field) {
    if (depth_ == 0) {
      topLevel = TopLevel::scalar;
    } else if (depth_ == 1 && topKeyIsBindings_ && topLevel == TopLevel::object) {
      startBindings(false);
    } else if (depth_ == 2 && inBindings_) {
      finishEntry(Entry{});
    } else if (depth_ == 3 && inEntry_ && currentField_ < fieldCount) {
      entry_.fields[currentField_] = std::move(field);
    }
    return true;
  }

  bool open(bool isObject) {
    if (depth_ == 0) {
      topLevel = isObject ? TopLevel::object : TopLevel::array;
    } else if (depth_ == 1 && topKeyIsBindings_ && topLevel == TopLevel::object) {
      startBindings(!isObject);
      inBindings_ = !isObject;
    } else if (depth_ == 2 && inBindings_) {
      if (isObject) {
        entry_ = Entry{true, {}};
        inEntry_ = true;
      } else {
        finishEntry(Entry{});
      }
    } else if (depth_ == 3 && inEntry_ && currentField_ < fieldCount) {
      entry_.fields[currentField_] = Field::of(Field::Type::container);
    }
    ++depth_;
    return true;
  }

  bool close() {
    --depth_;
    if (depth_ == 1) inBindings_ = false;
    if (depth_ == 2 && inEntry_) {
      inEntry_ = false;
      finishEntry(std::move(entry_));
    }
    return true;
  }

  void startBindings(bool isArray) {
    bindingsIsArray = isArray;
    result = ConfigLoad{};
    mappingKeys_.clear();
    position_ = 0;
  }

  void finishEntry(Entry entry) {
    Binding binding;
    if (auto issue = checkEntry(entry, position_++, mappingKeys_, binding)) {
      result.issues.push_back(std::move(*issue));
    } else {
      result.bindings.push_back(std::move(binding));
    }
  }

  std::size_t depth_ = 0;  // containers open around the next value
  bool topKeyIsBindings_ = false;
  bool inBindings_ = false;  // the open container at depth 2 is the "bindings" array
  bool inEntry_ = false;     // the open container at depth 3 is an entry object
  std::size_t currentField_ = fieldCount;
  Entry entry_;
  std::set<std::string> mappingKeys_;
  std::int64_t position_ = 0;
};

ConfigLoad documentIssue(std::string message) {
  return {{}, {{Kind::invalidDocument, std::nullopt, std::move(message)}}, false};
}

}  // namespace

ConfigLoad ConfigStore::parse(std::string_view data) {
  if (data.size() > maximumBytes) return documentIssue("configuration exceeds the 1 MiB limit");

  BindingsReader reader;
  if (!Json::sax_parse(data.begin(), data.end(), &reader)) return documentIssue("invalid JSON: " + reader.error);
  // Only an object or an array may stand at the top of a document.
  if (reader.topLevel == BindingsReader::TopLevel::scalar)
    return documentIssue("invalid JSON: the top-level value must be an object or an array");
  if (reader.topLevel != BindingsReader::TopLevel::object || !reader.bindingsIsArray)
    return documentIssue(shapeMessage);
  return std::move(reader.result);
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
