#pragma once

#include <functional>
#include <string>

namespace flitbar {

// A row's name being edited in place.
struct PanelNameEdit {
  // The field's initial contents.
  std::string value;
  // Shown while the field is empty.
  std::string placeholder;
  std::function<void(const std::string&)> onCommit;
  // Escape: the edit ends and the stored name stays.
  std::function<void()> onCancel;
};

}  // namespace flitbar
