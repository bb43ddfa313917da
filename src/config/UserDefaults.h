#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>

namespace flitbar {

// One preferences domain: keys holding JSON values that keep their types. The typed readers
// treat a value of the wrong type as absent. Writes never fail visibly.
class UserDefaults {
public:
  virtual ~UserDefaults() = default;

  virtual std::optional<nlohmann::json> object(const std::string& key) const = 0;
  virtual void set(const std::string& key, const nlohmann::json& value) = 0;
  virtual void remove(const std::string& key) = 0;

  bool contains(const std::string& key) const { return object(key).has_value(); }
  // A JSON boolean.
  std::optional<bool> boolean(const std::string& key) const;
  // A JSON number with a whole value that fits 64 bits (never a boolean).
  std::optional<std::int64_t> integer(const std::string& key) const;
  std::optional<std::string> string(const std::string& key) const;
};

}  // namespace flitbar
