#pragma once

namespace flitbar {

// The desktop's accessibility choices the panel follows.
struct PanelAppearance {
  // Animations are off: expansions settle at once.
  bool reducedAnimation = false;
  // Stronger highlights, and low batteries marked by more than colour.
  bool highContrast = false;

  bool operator==(const PanelAppearance&) const = default;
};

}  // namespace flitbar
