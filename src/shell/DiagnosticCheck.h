#pragma once

#include <string>

namespace flitbar {

// One prerequisite reported by `doctor`.
struct DiagnosticCheck {
  std::string name;
  bool passed = false;
  std::string success;
  std::string remedy;

  bool operator==(const DiagnosticCheck&) const = default;
};

}  // namespace flitbar
