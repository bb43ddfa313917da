#pragma once

#include "config/ConfigStore.h"

#include <string>

namespace flitbar {

// What the bindings file looked like at one moment: its raw bytes, or why it could not be read
// (a missing file included). Two observations are equal when nothing a reload could see changed.
struct ConfigObservation {
  enum class Kind { contents, unreadable };

  Kind kind = Kind::unreadable;
  std::string value;  // the bytes, or the failure's description

  static ConfigObservation of(const ConfigStore& store);

  bool operator==(const ConfigObservation&) const = default;
};

}  // namespace flitbar
