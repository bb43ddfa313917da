#pragma once

#include "panel/PanelButton.h"
#include "panel/PanelRow.h"

#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace flitbar {

// The cases of one panel line.
struct PanelTitle {
  std::string text;
};
struct PanelToggle {
  std::string title;
  bool isOn = false;
  bool enabled = true;
  std::optional<std::string> toolTip;
  std::function<void()> action;
};
struct PanelButtons {
  std::vector<PanelButton> buttons;
};
struct PanelText {
  std::string text;
  // Drawn subdued.
  bool secondary = false;
};
struct PanelSeparator {};
// The divider above the footer.
struct PanelFooterSeparator {};
struct PanelSpacer {};

// One line of the status panel, built afresh for every content request.
struct PanelEntry {
  std::variant<PanelTitle, PanelRow, PanelToggle, PanelButtons, PanelText, PanelSeparator, PanelFooterSeparator,
               PanelSpacer>
      value;
};

}  // namespace flitbar
