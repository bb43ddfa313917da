#pragma once

#include <functional>
#include <optional>
#include <string>

namespace flitbar {

// One push button of a button line.
struct PanelButton {
  std::string title;
  bool enabled = true;
  std::optional<std::string> toolTip;
  std::function<void()> action;
};

}  // namespace flitbar
