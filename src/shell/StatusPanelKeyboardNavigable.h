#pragma once

namespace flitbar {

// Panel content whose rows can be walked with the keyboard.
class StatusPanelKeyboardNavigable {
 public:
  virtual ~StatusPanelKeyboardNavigable() = default;
  // `step` is +1 (Down) or -1 (Up); the selection wraps around.
  virtual void movePanelSelection(int step) = 0;
  // Return or keypad Enter; answers whether the selected row handled it.
  virtual bool activatePanelSelection() = 0;
  virtual void clearPanelSelection() = 0;
  virtual bool hasExpandedRows() const = 0;
  // Collapses every row and rebuilds, so the panel always reopens collapsed.
  virtual void collapseAllRows() = 0;
};

}  // namespace flitbar
