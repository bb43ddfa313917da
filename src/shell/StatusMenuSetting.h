#pragma once

#include <functional>
#include <string>

namespace flitbar {

// One switch in the status item's context menu; `action` runs on the main thread when chosen.
struct StatusMenuSetting {
  std::string title;
  bool isOn = false;
  bool enabled = true;
  std::function<void()> action;
};

}  // namespace flitbar
