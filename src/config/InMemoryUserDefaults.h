#pragma once

#include "config/UserDefaults.h"

#include <map>

namespace flitbar {

// A preferences domain that lives only as long as the object; for tests and previews.
class InMemoryUserDefaults : public UserDefaults {
public:
  InMemoryUserDefaults() = default;
  explicit InMemoryUserDefaults(std::map<std::string, nlohmann::json> values) : values_(std::move(values)) {}

  std::optional<nlohmann::json> object(const std::string& key) const override;
  void set(const std::string& key, const nlohmann::json& value) override { values_[key] = value; }
  void remove(const std::string& key) override { values_.erase(key); }

  const std::map<std::string, nlohmann::json>& values() const { return values_; }

private:
  std::map<std::string, nlohmann::json> values_;
};

}  // namespace flitbar
