#pragma once

#include "config/Binding.h"
#include "config/ConfigIssue.h"

#include <vector>

namespace flitbar {

// The outcome of reading the bindings file: what was valid, beside every problem found.
struct ConfigLoad {
  std::vector<Binding> bindings;  // file order
  std::vector<ConfigIssue> issues;  // order found
  bool seeded = false;  // this load created the starter file

  bool operator==(const ConfigLoad&) const = default;
};

}  // namespace flitbar
