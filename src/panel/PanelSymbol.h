#pragma once

#include <string>
#include <vector>

namespace flitbar {

// An icon by its freedesktop name, with the names to try when neither the theme nor the bundled
// icons have it.
struct PanelSymbol {
  std::string name;
  std::vector<std::string> fallbacks;

  bool operator==(const PanelSymbol&) const = default;
};

}  // namespace flitbar
