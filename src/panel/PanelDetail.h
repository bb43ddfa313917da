#pragma once

#include <optional>
#include <string>

namespace flitbar {

// Tints a badge may carry; the view picks the shade that reads on the current palette.
enum class PanelTint { alert };

// A small symbol-and-text badge after a row's label.
struct PanelDetail {
  std::string symbol;
  std::string text;
  // Absent: the normal label colour.
  std::optional<PanelTint> tint;

  bool operator==(const PanelDetail&) const = default;
};

}  // namespace flitbar
