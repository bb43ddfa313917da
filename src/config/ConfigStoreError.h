#pragma once

#include <exception>
#include <string>

namespace flitbar {

// Failures of the raw read of the bindings file, each with the text the user sees.
class ConfigStoreError : public std::exception {
public:
  enum class Kind { missing, unreadable };

  static ConfigStoreError missing(const std::string& path);
  // `reason` is the system's description of the failure.
  static ConfigStoreError unreadable(const std::string& reason);

  Kind kind() const { return kind_; }
  // The path for `missing`, the reason for `unreadable`.
  const std::string& payload() const { return payload_; }
  const std::string& description() const { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

  bool operator==(const ConfigStoreError& other) const {
    return kind_ == other.kind_ && payload_ == other.payload_;
  }

private:
  ConfigStoreError(Kind kind, std::string payload, std::string description);

  Kind kind_;
  std::string payload_;
  std::string description_;
};

}  // namespace flitbar
