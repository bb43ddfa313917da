#include "config/UserDefaults.h"

#include <cmath>

namespace flitbar {

std::optional<bool> UserDefaults::boolean(const std::string& key) const {
  const auto value = object(key);
  if (!value || !value->is_boolean()) return std::nullopt;
  return value->get<bool>();
}

std::optional<std::int64_t> UserDefaults::integer(const std::string& key) const {
  const auto value = object(key);
  if (!value || !value->is_number()) return std::nullopt;
  if (value->is_number_integer() && !value->is_number_unsigned()) return value->get<std::int64_t>();
  const double number = value->get<double>();
  if (!(number >= -9223372036854775808.0 && number < 9223372036854775808.0) || std::trunc(number) != number)
    return std::nullopt;
  return static_cast<std::int64_t>(number);
}

std::optional<std::string> UserDefaults::string(const std::string& key) const {
  const auto value = object(key);
  if (!value || !value->is_string()) return std::nullopt;
  return value->get<std::string>();
}

}  // namespace flitbar
