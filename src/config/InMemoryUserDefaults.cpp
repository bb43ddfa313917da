#include "config/InMemoryUserDefaults.h"

namespace flitbar {

std::optional<nlohmann::json> InMemoryUserDefaults::object(const std::string& key) const {
  const auto found = values_.find(key);
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

}  // namespace flitbar
