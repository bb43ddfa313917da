#include "config/ConfigStoreError.h"

namespace flitbar {

ConfigStoreError::ConfigStoreError(Kind kind, std::string payload, std::string description)
    : kind_(kind), payload_(std::move(payload)), description_(std::move(description)) {}

ConfigStoreError ConfigStoreError::missing(const std::string& path) {
  return {Kind::missing, path, "No configuration exists at " + path + "."};
}

ConfigStoreError ConfigStoreError::unreadable(const std::string& reason) {
  return {Kind::unreadable, reason, "Couldn\u2019t read or write the configuration: " + reason};
}

}  // namespace flitbar
